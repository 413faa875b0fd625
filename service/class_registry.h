// The component-object face of the library: the identifiers it is registered under and the
// creation of `Reports` by programmatic name or class identifier. A Windows build can put
// real registration exports on top of this.
#pragma once

#include <memory>
#include <string_view>

#include "service/reports.h"

namespace orla::service {

inline constexpr std::string_view kLibraryDescription = "Pumaris - Subrelatorios Vendas";
inline constexpr std::string_view kProgId = "ORLA_Vendas.Reports";
inline constexpr std::string_view kClassId = "{404CFD46-736F-4D7E-A984-C2DAF0D27A37}";
inline constexpr std::string_view kInterfaceId = "{B758835A-F244-4312-91BF-5DB63818EB96}";
inline constexpr std::string_view kTypeLibraryId = "{D45FDFB8-B935-47FA-89DB-0470EEC70A9E}";
inline constexpr int kTypeLibraryMajorVersion = 321;
inline constexpr int kTypeLibraryMinorVersion = 0;

// A new `Reports` for its programmatic name or class identifier (letter case ignored, braces
// optional around the identifier); raises "cannot create object" (429) for anything else.
std::unique_ptr<Reports> CreateObject(std::string_view progIdOrClassId);

}  // namespace orla::service
