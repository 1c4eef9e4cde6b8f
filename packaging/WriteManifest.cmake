# cmake -DSETUP=Setup.exe -DOUT=folder -DMANIFESTS=a.yaml;b.yaml -P WriteManifest.cmake
# Copies the manifests into OUT with every InstallerSha256 set to the hash of SETUP.
file(SHA256 ${SETUP} hash)
string(TOUPPER ${hash} hash)
file(MAKE_DIRECTORY ${OUT})
foreach(manifest ${MANIFESTS})
  get_filename_component(name ${manifest} NAME)
  file(READ ${manifest} text)
  string(REGEX REPLACE "InstallerSha256: [0-9A-Fa-f]+" "InstallerSha256: ${hash}" text "${text}")
  file(WRITE ${OUT}/${name} "${text}")
endforeach()
