// What the outside world is promised about the library's classes and type
// library, written out as literals: the registry and the loaded DLL are
// checked against these, never against the library's own constants.
#pragma once

namespace testing_support {

inline constexpr const wchar_t* kLibId = L"{D21102C9-CB0C-499D-85D7-C67474D21445}";
inline constexpr const wchar_t* kDeskBandCategory = L"{00021492-0000-0000-C000-000000000046}";
inline constexpr const wchar_t* kToolbarKey = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
// The browser's cached list of desk bands, dropped when a band is unregistered.
inline constexpr const wchar_t* kDeskBandCache =
    L"Component Categories\\{00021492-0000-0000-C000-000000000046}\\Enum";
// The universal marshaler that carries automation-compatible interfaces between apartments.
inline constexpr const wchar_t* kUniversalMarshaler = L"{00020424-0000-0000-C000-000000000046}";

struct ClassFacts {
  const wchar_t* clsid;
  const wchar_t* progId;
  const wchar_t* typeLibDescription;     // the coclass's help string: the ProgID key's value
  const wchar_t* registeredDescription;  // the CLSID key's value
  bool toolbar;
};

inline constexpr ClassFacts kClasses[] = {
    {L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64}", L"VornIEGUI.VornIEExplorerBar", L"VornIEExplorerBar", L"Brisel Bar",
     true},
    {L"{0BCA9A71-9E56-4727-8756-4358C072C703}", L"VornIEGUI.VornOffUtils", L"VornOffUtils Object",
     L"VornOffUtils Object", false},
    {L"{CC3C4FBC-55E7-4DB5-8F05-D04F7B306F87}", L"VornIEGUI.VornBHOGUI", L"VornBHOGUI Object", L"VornBHOGUI Object",
     false},
    {L"{A8415B7A-F661-4D31-92D7-4398E50483DF}", L"VornIEGUI.BriselQLToolbar", L"BriselQLToolbar",
     L"Brisel Links Bar", true},
};

struct InterfaceFacts {
  const wchar_t* iid;
  const wchar_t* name;
};

// Every interface of the library is automation-compatible, so registering
// the type library registers each of them.
inline constexpr InterfaceFacts kInterfaces[] = {
    {L"{44E5D19C-1AA0-4FBE-BB49-8793FE8F72A3}", L"IVornIEExplorerBar"},
    {L"{6D25F622-987B-467E-B7F6-8C126908A462}", L"IVornOffUtils"},
    {L"{233490A0-A508-41E6-A6DE-AB20659D0311}", L"IVornBHOGUI"},
    {L"{54EDFA0B-F505-4F2A-B79A-A5EBEC6B23CC}", L"IBriselQLToolbar"},
};

}  // namespace testing_support
