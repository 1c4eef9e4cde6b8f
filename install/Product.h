// The product's identity: the same literals wherever the installer and the
// uninstaller name the product, its folder, its records and its links.
#pragma once

inline constexpr char kProductName[] = "Карта Тальмирской области 2.0";
// The program group's second link, beside the one named as the product.
inline constexpr char kHelpLinkName[] = "Справка";
inline constexpr char kPublisher[] = "Вельтран";
inline constexpr char kMapContainerName[] = "Map.maptl";
inline constexpr char kViewerName[] = "Map.exe";
