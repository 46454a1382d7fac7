// The type library as containers read it: loaded back from the built OCX
// with LoadTypeLibEx and compared, type by type and member by member, with
// what the library publishes.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "com/com_strings.h"
#include "com/handles.h"
#include "test_files.h"
#include "velmora_h.h"

namespace {

using velmora::testing::Narrow;
using velmora::testing::OcxPath;
using velmora::win32::ComPtr;
using velmora::win32::UniqueBstr;

// GUIDs compare and print as their registry text.
std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

struct TypeAttr {
  ComPtr<ITypeInfo> info;
  TYPEATTR* attr = nullptr;
  explicit TypeAttr(ComPtr<ITypeInfo> i) : info(std::move(i)) {
    if (info) info->GetTypeAttr(&attr);
  }
  ~TypeAttr() {
    if (attr) info->ReleaseTypeAttr(attr);
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
};

struct FuncDesc {
  ITypeInfo* info;
  FUNCDESC* desc = nullptr;
  FuncDesc(ITypeInfo* i, UINT index) : info(i) { info->GetFuncDesc(index, &desc); }
  ~FuncDesc() {
    if (desc) info->ReleaseFuncDesc(desc);
  }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
};

std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  UniqueBstr name;
  info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
  return name.ToWide();
}

std::wstring DocString(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  UniqueBstr doc;
  info->GetDocumentation(id, nullptr, doc.put(), nullptr, nullptr);
  return doc.ToWide();
}

// The referenced type's name and the GUID of the library that holds it.
struct Referenced {
  std::wstring name;
  std::wstring guid;
  std::wstring library;
  TYPEKIND kind = TKIND_MAX;
};

Referenced Resolve(ITypeInfo* info, HREFTYPE href) {
  Referenced out;
  ComPtr<ITypeInfo> ref;
  if (FAILED(info->GetRefTypeInfo(href, &ref))) return out;
  out.name = Name(ref.Get());
  TypeAttr attr(ref);
  if (attr.attr) {
    out.guid = GuidText(attr.attr->guid);
    out.kind = attr.attr->typekind;
  }
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  if (SUCCEEDED(ref->GetContainingTypeLib(&lib, &index))) {
    TLIBATTR* libattr = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&libattr))) {
      out.library = GuidText(libattr->guid);
      lib->ReleaseTLibAttr(libattr);
    }
  }
  return out;
}

constexpr wchar_t kStdole[] = L"{00020430-0000-0000-C000-000000000046}";
constexpr wchar_t kFontDisp[] = L"{BEF6E003-A874-101A-8BBA-00AA00300CAB}";

class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &lib_), S_OK)
        << "no type library in " << Narrow(OcxPath());
  }

  ComPtr<ITypeInfo> TypeOf(const GUID& guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib_->GetTypeInfoOfGuid(guid, &info), S_OK) << GuidText(guid).c_str();
    return info;
  }

  ComPtr<ITypeLib> lib_;
};

TEST_F(TypeLibrary, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(GuidText(attr->guid), L"{D2477499-F693-11D3-8F25-F3F5CE97CB72}");
  EXPECT_EQ(attr->lcid, 0x0409u);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  // The loader adds "has a disk image" to what the library itself says.
  EXPECT_EQ(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, LIBFLAG_FCONTROL);
  EXPECT_EQ(attr->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
  lib_->ReleaseTLibAttr(attr);

  UniqueBstr name, doc;
  ASSERT_EQ(lib_->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
  EXPECT_EQ(name.ToWide(), L"Velmora");
  EXPECT_EQ(doc.ToWide(), L"TextBox Formattato");
}

struct TypeRow {
  const wchar_t* name;
  TYPEKIND kind;
  const wchar_t* guid;
  WORD flags;
  WORD funcs;  // of the dispatch view: a dual one counts IDispatch's seven too
  WORD impls;
};

// The five types in the library's order. Flags: hidden 0x10, control 0x20,
// dual 0x40, nonextensible 0x80, oleautomation 0x100, dispatchable 0x1000.
const TypeRow kTypes[] = {
    {L"_VelmoraControl", TKIND_DISPATCH, L"{D2477494-F693-11D3-8F25-F3F5CE97CB72}", 0x11D0, 7 + 18, 1},
    {L"VelmoraControl", TKIND_COCLASS, L"{D2477495-F693-11D3-8F25-F3F5CE97CB72}", 0x0020, 0, 2},
    {L"_Generale", TKIND_DISPATCH, L"{D2477497-F693-11D3-8F25-F3F5CE97CB72}", 0x11D0, 7, 1},
    {L"Generale", TKIND_COCLASS, L"{D2477498-F693-11D3-8F25-F3F5CE97CB72}", 0x0000, 0, 1},
    {L"__VelmoraControl", TKIND_DISPATCH, L"{D2477496-F693-11D3-8F25-F3F5CE97CB72}", 0x1090, 2, 0},
};

// The type flags of `info`. The loader reports "automation-compatible" of
// a dual interface on its vtable view only, so for a dual interface the
// flags of both views together are the interface's.
WORD TypeFlags(ITypeInfo* info) {
  TypeAttr attr(info);
  WORD flags = attr.attr->wTypeFlags;
  HREFTYPE href = 0;
  ComPtr<ITypeInfo> vtable;
  if ((flags & TYPEFLAG_FDUAL) && SUCCEEDED(info->GetRefTypeOfImplType(-1, &href)) &&
      SUCCEEDED(info->GetRefTypeInfo(href, &vtable))) {
    TypeAttr vtable_attr(vtable);
    flags |= vtable_attr.attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION;
  }
  return flags;
}

TEST_F(TypeLibrary, TypesInOrder) {
  ASSERT_EQ(lib_->GetTypeInfoCount(), std::size(kTypes));
  for (UINT i = 0; i < std::size(kTypes); ++i) {
    const TypeRow& row = kTypes[i];
    SCOPED_TRACE(testing::Message() << "type " << i << " expected " << Narrow(row.name));
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(lib_->GetTypeInfo(i, &info), S_OK);
    TypeAttr attr(info);
    ASSERT_NE(attr.attr, nullptr);
    EXPECT_EQ(Name(info.Get()), row.name);
    EXPECT_EQ(attr.attr->typekind, row.kind);
    EXPECT_EQ(GuidText(attr.attr->guid), row.guid);
    EXPECT_EQ(TypeFlags(info.Get()), row.flags) << std::hex << TypeFlags(info.Get());
    EXPECT_EQ(attr.attr->wMajorVerNum, 1);
    EXPECT_EQ(attr.attr->wMinorVerNum, 0);
    EXPECT_EQ(attr.attr->cFuncs, row.funcs);
    EXPECT_EQ(attr.attr->cVars, 0);
    // A dispinterface's only "implemented" type is IDispatch; classes list
    // their interfaces (checked below).
    if (row.kind == TKIND_COCLASS) {
      EXPECT_EQ(attr.attr->cImplTypes, row.impls);
    }
    EXPECT_EQ(DocString(info.Get()), L"");
  }
}

struct ImplRow {
  const wchar_t* name;
  int flags;
};

TEST_F(TypeLibrary, ClassesImplementTheirInterfaces) {
  struct ClassRow {
    const GUID* clsid;
    std::vector<ImplRow> impls;
  };
  const ClassRow classes[] = {
      {&CLSID_VelmoraControl,
       {{L"_VelmoraControl", IMPLTYPEFLAG_FDEFAULT},
        {L"__VelmoraControl", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
      {&CLSID_Generale, {{L"_Generale", IMPLTYPEFLAG_FDEFAULT}}},
  };
  for (const ClassRow& row : classes) {
    ComPtr<ITypeInfo> info = TypeOf(*row.clsid);
    ASSERT_TRUE(info);
    SCOPED_TRACE(testing::Message() << "class " << Narrow(Name(info.Get())));
    TypeAttr attr(info);
    ASSERT_EQ(attr.attr->cImplTypes, row.impls.size());
    for (UINT i = 0; i < row.impls.size(); ++i) {
      HREFTYPE href = 0;
      ASSERT_EQ(info->GetRefTypeOfImplType(i, &href), S_OK);
      EXPECT_EQ(Resolve(info.Get(), href).name, row.impls[i].name) << "implemented type " << i;
      INT flags = 0;
      ASSERT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
      EXPECT_EQ(flags, row.impls[i].flags) << "implemented type " << i;
    }
  }
}

// How a value type must come out of the library.
enum class Value { Short, Bool, Color, Font, String };

constexpr wchar_t kBackColorHelp[] =
    L"Restituisce o imposta il colore di sfondo utilizzato per la visualizzazione di testo e "
    L"grafica in un oggetto.";
constexpr wchar_t kFontHelp[] = L"Restituisce un oggetto Font.";
constexpr wchar_t kEnabledHelp[] =
    L"Restituisce o imposta un valore che determina se un oggetto \u00E8 in grado di rispondere "
    L"agli eventi generati dall'utente.";
constexpr wchar_t kForeColorHelp[] =
    L"Restituisce o imposta il colore di primo piano utilizzato per la visualizzazione di testo "
    L"e grafica in un oggetto.";
constexpr wchar_t kTextHelp[] = L"Restituisce o imposta il testo contenuto nel controllo.";

// The control's properties in the interface's order, each with its type
// and help string.
struct PropertyRow {
  const wchar_t* name;
  MEMBERID id;
  Value value;
  const wchar_t* help;
};

const PropertyRow kProperties[] = {
    {L"MaxLength", 0x68030007, Value::Short, L""},       {L"DateValue", 0x68030006, Value::Bool, L""},
    {L"BackColor", 0x68030005, Value::Color, kBackColorHelp}, {L"Font", DISPID_FONT, Value::Font, kFontHelp},
    {L"Enabled", 0x68030004, Value::Bool, kEnabledHelp}, {L"ForeColor", 0x68030003, Value::Color, kForeColorHelp},
    {L"Text", 0x68030002, Value::String, kTextHelp},     {L"Virgola", 0x68030001, Value::Bool, L""},
    {L"TastoInvio", 0x68030000, Value::Bool, L""},
};

// Checks that `desc` is the value type `value` (behind a pointer for an
// out parameter).
void ExpectValueType(ITypeInfo* info, const TYPEDESC& outer, bool out, Value value) {
  const TYPEDESC* type = &outer;
  if (out) {
    ASSERT_EQ(type->vt, VT_PTR);
    type = type->lptdesc;
  }
  switch (value) {
    case Value::Short: EXPECT_EQ(type->vt, VT_I2); break;
    case Value::Bool: EXPECT_EQ(type->vt, VT_BOOL); break;
    case Value::String: EXPECT_EQ(type->vt, VT_BSTR); break;
    case Value::Color: {
      ASSERT_EQ(type->vt, VT_USERDEFINED);
      Referenced ref = Resolve(info, type->hreftype);
      EXPECT_EQ(ref.name, L"OLE_COLOR");
      EXPECT_EQ(ref.library, kStdole) << "OLE_COLOR must be stdole's";
      break;
    }
    case Value::Font: {
      ASSERT_EQ(type->vt, VT_PTR);
      ASSERT_EQ(type->lptdesc->vt, VT_USERDEFINED);
      Referenced ref = Resolve(info, type->lptdesc->hreftype);
      EXPECT_EQ(ref.name, L"Font");
      EXPECT_EQ(ref.guid, kFontDisp);
      EXPECT_EQ(ref.kind, TKIND_DISPATCH);
      EXPECT_EQ(ref.library, kStdole) << "Font must be stdole's";
      break;
    }
  }
}

// The accessors as the vtable view of the dual interface declares them:
// after IDispatch's seven methods, each property's getter then its setter
// (by reference for the font), each returning an HRESULT with one unnamed
// parameter.
TEST_F(TypeLibrary, DualInterfaceAccessors) {
  ComPtr<ITypeInfo> dispatch = TypeOf(IID__VelmoraControl);
  ASSERT_TRUE(dispatch);
  HREFTYPE href = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &href), S_OK) << "not dual";
  ComPtr<ITypeInfo> vtable;
  ASSERT_EQ(dispatch->GetRefTypeInfo(href, &vtable), S_OK);
  TypeAttr attr(vtable);
  ASSERT_EQ(attr.attr->typekind, TKIND_INTERFACE);
  const UINT accessors = 2 * std::size(kProperties);
  ASSERT_EQ(attr.attr->cFuncs, accessors);
  EXPECT_EQ(attr.attr->cbSizeVft, (7 + accessors) * sizeof(void*));

  for (UINT i = 0; i < accessors; ++i) {
    const PropertyRow& row = kProperties[i / 2];
    const bool getter = i % 2 == 0;
    const INVOKEKIND kind = getter                       ? INVOKE_PROPERTYGET
                            : row.value == Value::Font ? INVOKE_PROPERTYPUTREF
                                                       : INVOKE_PROPERTYPUT;
    SCOPED_TRACE(testing::Message() << "accessor " << i + 1 << " " << Narrow(row.name) << " kind " << kind);
    FuncDesc func(vtable.Get(), i);
    ASSERT_NE(func.desc, nullptr);
    EXPECT_EQ(func.desc->memid, row.id) << std::hex << func.desc->memid;
    EXPECT_EQ(func.desc->invkind, kind);
    EXPECT_EQ(func.desc->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(func.desc->callconv, CC_STDCALL);
    EXPECT_EQ(func.desc->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    EXPECT_EQ(func.desc->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(func.desc->cParams, 1);
    const ELEMDESC& param = func.desc->lprgelemdescParam[0];
    EXPECT_EQ(param.paramdesc.wParamFlags,
              getter ? PARAMFLAG_FOUT | PARAMFLAG_FRETVAL : PARAMFLAG_FIN);
    ExpectValueType(vtable.Get(), param.tdesc, getter, row.value);

    // The member's name and nothing else: parameters carry no names.
    BSTR names[3] = {};
    UINT count = 0;
    ASSERT_EQ(vtable->GetNames(row.id, names, 3, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(std::wstring(names[0]), row.name);
    for (UINT n = 0; n < count; ++n) ::SysFreeString(names[n]);

    EXPECT_EQ(DocString(vtable.Get(), row.id), row.help);
  }
}

// A member by its name and identifier, with its help string where a test
// reads it.
struct NamedMember {
  const wchar_t* name;
  MEMBERID id;
  const wchar_t* help = L"";
};

// Late-bound callers resolve names through the dispatch view.
TEST_F(TypeLibrary, NamesResolveToDispatchIdentifiers) {
  ComPtr<ITypeInfo> dispatch = TypeOf(IID__VelmoraControl);
  ASSERT_TRUE(dispatch);
  std::vector<NamedMember> rows = {{L"tastoinvio", 0x68030000}};  // names are case-insensitive
  for (const PropertyRow& property : kProperties) rows.push_back({property.name, property.id});
  for (const NamedMember& row : rows) {
    LPOLESTR name = const_cast<LPOLESTR>(row.name);
    MEMBERID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(&name, 1, &id), S_OK) << Narrow(row.name);
    EXPECT_EQ(id, row.id) << Narrow(row.name);
  }
}

TEST_F(TypeLibrary, EventInterface) {
  ComPtr<ITypeInfo> events = TypeOf(DIID___VelmoraControl);
  ASSERT_TRUE(events);
  const NamedMember rows[] = {
      {L"DataNonValida", 1},
      {L"Change", 2, L"Viene generato quando il contenuto di un controllo viene modificato."},
  };
  for (UINT i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(testing::Message() << "event " << i);
    FuncDesc func(events.Get(), i);
    ASSERT_NE(func.desc, nullptr);
    EXPECT_EQ(func.desc->memid, rows[i].id);
    EXPECT_EQ(func.desc->funckind, FUNC_DISPATCH);
    EXPECT_EQ(func.desc->invkind, INVOKE_FUNC);
    EXPECT_EQ(func.desc->cParams, 0);
    EXPECT_EQ(func.desc->elemdescFunc.tdesc.vt, VT_VOID);
    EXPECT_EQ(Name(events.Get(), rows[i].id), rows[i].name);
    EXPECT_EQ(DocString(events.Get(), rows[i].id), rows[i].help);
  }
}

}  // namespace
