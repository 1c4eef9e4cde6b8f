# cmake -DSETUP=Setup.exe -DIN=folder -DOUT=folder -P WriteManifest.cmake
# Copies the manifests of IN into OUT with every InstallerSha256 set to the
# hash of SETUP, in quotes like the placeholder.
file(GLOB MANIFESTS ${IN}/*.yaml)
file(SHA256 ${SETUP} hash)
string(TOUPPER ${hash} hash)
file(MAKE_DIRECTORY ${OUT})
foreach(manifest ${MANIFESTS})
  get_filename_component(name ${manifest} NAME)
  file(READ ${manifest} text)
  string(REGEX REPLACE "InstallerSha256: \"?[0-9A-Fa-f]+\"?" "InstallerSha256: \"${hash}\"" text
                     "${text}")
  file(WRITE ${OUT}/${name} "${text}")
endforeach()
