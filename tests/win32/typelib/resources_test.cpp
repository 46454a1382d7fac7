// The resources of the built OCX as a control runtime and Explorer read
// them: the version block, the toolbox picture and the interface
// identifiers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "velmora_h.h"

namespace {

using velmora::testing::Narrow;
using velmora::testing::OcxPath;

class Resources : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ocx_.loaded()); }

  // The bytes of resource (type, name), empty if it is missing.
  std::vector<unsigned char> Bytes(const wchar_t* type, const wchar_t* name) {
    const HMODULE module = ocx_.get();
    HRSRC found = ::FindResourceW(module, name, type);
    if (found == nullptr) return {};
    HGLOBAL loaded = ::LoadResource(module, found);
    const auto* data = static_cast<const unsigned char*>(::LockResource(loaded));
    return {data, data + ::SizeofResource(module, found)};
  }

  velmora::testing::Ocx ocx_{/*dataFile=*/true};
};

struct GuidResourceRow {
  const wchar_t* type;
  const GUID* guid;
};

// Each identifier resource is the 32-bit little-endian length 16, then the
// GUID as it lies in memory.
TEST_F(Resources, InterfaceIdentifiers) {
  const GuidResourceRow rows[] = {
      {L"_IID_VELMORACONTROL", &IID__VelmoraControl},
      {L"_SRCIID_VELMORACONTROL", &DIID___VelmoraControl},
      {L"_IID_GENERALE", &IID__Generale},
  };
  for (const GuidResourceRow& row : rows) {
    SCOPED_TRACE(Narrow(row.type));
    std::vector<unsigned char> expected = {16, 0, 0, 0};
    const auto* guid = reinterpret_cast<const unsigned char*>(row.guid);
    expected.insert(expected.end(), guid, guid + sizeof(GUID));
    EXPECT_EQ(Bytes(row.type, MAKEINTRESOURCEW(1)), expected);
  }
  // The first bytes spelled out, independent of the GUID constants above.
  const std::vector<unsigned char> control = Bytes(L"_IID_VELMORACONTROL", MAKEINTRESOURCEW(1));
  const std::vector<unsigned char> start = {0x10, 0, 0, 0, 0x94, 0x74, 0x47, 0xD2, 0x93, 0xF6,
                                            0xD3, 0x11, 0x8F, 0x25, 0xF3, 0xF5, 0xCE, 0x97,
                                            0xCB, 0x72};
  EXPECT_EQ(control, start);
}

TEST_F(Resources, ToolboxBitmap) {
  const std::vector<unsigned char> bytes = Bytes(MAKEINTRESOURCEW(2) /* RT_BITMAP */,
                                                 MAKEINTRESOURCEW(30000));
  ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data(), sizeof(header));
  EXPECT_EQ(header.biWidth, 16);
  EXPECT_EQ(std::abs(header.biHeight), 15);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  // 15 rows of 16 pixels of 3 bytes (48 bytes: already a multiple of 4).
  EXPECT_EQ(bytes.size(), header.biSize + 15u * 48u);

  // And it loads as a picture the toolbox can draw.
  HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(ocx_.get(), MAKEINTRESOURCEW(30000), IMAGE_BITMAP,
                                                     0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ::GetObjectW(bitmap, sizeof(info), &info);
  EXPECT_EQ(info.bmWidth, 16);
  EXPECT_EQ(info.bmHeight, 15);
  EXPECT_EQ(info.bmBitsPixel, 24);
  ::DeleteObject(bitmap);
}

TEST_F(Resources, TypeLibraryIsResourceOne) {
  const std::vector<unsigned char> bytes = Bytes(L"TYPELIB", MAKEINTRESOURCEW(1));
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MSFT");
}

class VersionBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = OcxPath();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    block_.resize(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block_.data()));
  }

  // A string entry of block 041004b0, or "<missing>".
  std::wstring Text(const wchar_t* name) {
    std::wstring query = std::wstring(L"\\StringFileInfo\\041004b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block_.data(), query.c_str(), &value, &length)) return L"<missing>";
    if (length == 0) return L"";
    return std::wstring(static_cast<const wchar_t*>(value));
  }

  std::vector<unsigned char> block_;
};

TEST_F(VersionBlock, FixedPart) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug or pre-release flags";
}

TEST_F(VersionBlock, TranslationIsItalianUnicode) {
  struct Translation {
    WORD language;
    WORD code_page;
  };
  Translation* list = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&list), &length));
  ASSERT_EQ(length, sizeof(Translation));
  EXPECT_EQ(list[0].language, 0x0410);
  EXPECT_EQ(list[0].code_page, 1200);
}

struct StringRow {
  const wchar_t* name;
  const wchar_t* value;
};

TEST_F(VersionBlock, StringEntries) {
  const StringRow rows[] = {
      {L"FileVersion", L"3.00"},
      {L"ProductVersion", L"3.00"},
      {L"Comments", L"Controllo per la formattazione di date  e numeri"},  // two blanks
      {L"FileDescription", L"Velmora"},
      {L"ProductName", L"Velmora"},
      {L"InternalName", L"Velmora"},
      {L"OriginalFilename", L"Velmora.ocx"},
      {L"OLESelfRegister", L""},
  };
  for (const StringRow& row : rows) {
    EXPECT_EQ(Text(row.name), row.value) << Narrow(row.name);
  }
}

}  // namespace
