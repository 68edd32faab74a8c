// The dialog templates and the version resource as built into Brimsel.dxl,
// read back from the file in the Japanese language the host asks for.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>
#include "test_support.h"

namespace {
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
enum : WORD { kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kComboBox = 0x85 };
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kLabelLeft = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kLabelRight = kChild | SS_RIGHT | WS_GROUP;

struct Item {
    WORD id;
    WORD classOrdinal;
    std::string text;   // code page 932
    short x, y, cx, cy;
    DWORD style;
};
struct Template {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption, face;
    WORD pointSize = 0;
    std::vector<Item> items;
};

std::string ToCp932(const WCHAR* text, size_t length) {
    if (length == 0) return {};
    std::string out(length * 2 + 1, '\0');
    const int n = WideCharToMultiByte(932, 0, text, static_cast<int>(length), &out[0], static_cast<int>(out.size()),
                                      nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

// Reads one sz_Or_Ord field; an ordinal comes back in *ordinal.
const WORD* ReadText(const WORD* p, std::string* text, WORD* ordinal = nullptr) {
    if (*p == 0xFFFF) {
        if (ordinal) *ordinal = p[1];
        return p + 2;
    }
    const WCHAR* start = reinterpret_cast<const WCHAR*>(p);
    size_t n = 0;
    while (p[n]) ++n;
    if (text) *text = ToCp932(start, n);
    return p + n + 1;
}

// Parses a classic (not extended) dialog template found in `module`.
bool ReadTemplate(HMODULE module, int id, Template* out) {
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(id), kJapanese);
    if (!found) return false;
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (!base) return false;
    const auto* header = reinterpret_cast<const DLGTEMPLATE*>(base);
    if (HIWORD(header->style) == 0xFFFF) return false;   // an extended template
    out->style = header->style;
    out->exStyle = header->dwExtendedStyle;
    out->x = header->x, out->y = header->y, out->cx = header->cx, out->cy = header->cy;
    const WORD* p = reinterpret_cast<const WORD*>(header + 1);
    std::string ignored;
    p = ReadText(p, &ignored);      // menu
    p = ReadText(p, &ignored);      // class
    p = ReadText(p, &out->caption);
    if (header->style & DS_SETFONT) {
        out->pointSize = *p++;
        p = ReadText(p, &out->face);
    }
    for (int i = 0; i < header->cdit; ++i) {
        const BYTE* at = reinterpret_cast<const BYTE*>(p);
        at += (4 - (at - base) % 4) % 4;
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(at);
        Item parsed{};
        parsed.style = item->style;
        parsed.x = item->x, parsed.y = item->y, parsed.cx = item->cx, parsed.cy = item->cy;
        parsed.id = item->id;
        p = reinterpret_cast<const WORD*>(item + 1);
        p = ReadText(p, nullptr, &parsed.classOrdinal);
        p = ReadText(p, &parsed.text);
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        EXPECT_EQ(item->dwExtendedStyle, 0u) << "item " << i;
        out->items.push_back(parsed);
    }
    return true;
}

void ExpectTemplate(const Template& actual, DWORD style, short cx, short cy, const char* caption,
                    const std::vector<Item>& items) {
    EXPECT_EQ(actual.style, style);
    EXPECT_EQ(actual.exStyle, 0u);
    EXPECT_EQ(actual.x, 0);
    EXPECT_EQ(actual.y, 0);
    EXPECT_EQ(actual.cx, cx);
    EXPECT_EQ(actual.cy, cy);
    EXPECT_EQ(actual.caption, caption);
    EXPECT_EQ(actual.pointSize, 9);
    EXPECT_EQ(actual.face, "ＭＳ Ｐゴシック");
    ASSERT_EQ(actual.items.size(), items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i) + " " + items[i].text);
        const Item& a = actual.items[i];
        const Item& e = items[i];
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(a.classOrdinal, e.classOrdinal);
        EXPECT_EQ(a.text, e.text);
        EXPECT_EQ(a.x, e.x);
        EXPECT_EQ(a.y, e.y);
        EXPECT_EQ(a.cx, e.cx);
        EXPECT_EQ(a.cy, e.cy);
        EXPECT_EQ(a.style, e.style);
    }
}
}  // namespace

TEST(Resources, SettingsDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(Library().module, 103, &t));
    const WORD none = 0xFFFF;
    ExpectTemplate(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 203, 145, "入力サポート",
                   {
                       {IDOK, kButton, "OK", 44, 125, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                       {IDCANCEL, kButton, "ｷｬﾝｾﾙ", 107, 125, 50, 14, kPush},
                       {1000, kEdit, "", 7, 19, 141, 13, kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
                       {1001, kButton, "選択...", 156, 19, 40, 13, kPush},
                       {1002, kComboBox, "", 55, 39, 82, 105, kCombo},
                       {1003, kComboBox, "", 55, 55, 82, 105, kCombo},
                       {1004, kComboBox, "", 55, 71, 82, 105, kCombo},
                       {none, kStatic, "背景の画像ファイル :", 7, 8, 101, 8, kLabelLeft},
                       {none, kStatic, "画像の位置 :", 7, 42, 46, 8, kLabelRight},
                       {none, kStatic, "文字の整列 :", 7, 58, 46, 8, kLabelRight},
                       {none, kStatic, "再計算方法 :", 7, 74, 46, 8, kLabelRight},
                       {1005, kButton, "時刻のフォント", 146, 103, 50, 14, kPush},
                       {1006, kButton, "日付のフォント", 146, 87, 50, 14, kPush},
                       {1007, kComboBox, "", 55, 87, 82, 105, kCombo},
                       {none, kStatic, "日付の書式 :", 7, 90, 46, 8, kLabelRight},
                       {1008, kComboBox, "", 55, 103, 82, 105, kCombo},
                       {none, kStatic, "時刻の書式 :", 7, 106, 46, 8, kLabelRight},
                   });
}

TEST(Resources, AboutDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(Library().module, 101, &t));
    ASSERT_EQ(t.items.size(), 5u);
    const std::string notice = t.items[2].text;   // the maker's notice: two lines of our choosing
    EXPECT_NE(notice.find('\n'), std::string::npos);
    EXPECT_EQ(notice.find('\n'), notice.rfind('\n'));
    const WORD none = 0xFFFF;
    ExpectTemplate(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 226, 177,
                   "About Hasperl.DxL",
                   {
                       {IDOK, kButton, "OK", 87, 156, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                       {none, kStatic, "Vellumin 小片描画拡張ライブラリィ － 画像と文字(Susie Plug-in利用)", 7, 7, 212, 8,
                        kChild | SS_CENTER | WS_GROUP},
                       {none, kStatic, notice, 7, 30, 212, 20, kLabelRight},
                       {none, kStatic,
                        "　このライブラリは、小片に画像と文字を表示するための物です。\n"
                        "　(Susie Plug-in を利用します。)\n"
                        "\n"
                        "　表示したい画像ファイルは入力サポート機能から設定します。\n"
                        "\n"
                        "　小片の内容は、そのまま画像の上に表示されます。\n"
                        "\n"
                        "　Susie のレジストリからPlug-inディレクトリを取得しているため Susie が\n"
                        "　正しくインストールされている必要があります。",
                        7, 53, 212, 87, kLabelLeft | SS_SUNKEN},
                       {none, kStatic, "Version 1.10", 7, 18, 212, 8, kLabelRight},
                   });
    // The full-width minus must survive as its code page 932 form.
    EXPECT_NE(t.items[1].text.find("\x81\x7C"), std::string::npos);
}

TEST(Resources, VersionResource) {
    const std::string path = ProgramDirectory() + "Brimsel.dxl";
    ASSERT_TRUE(FindResourceExA(Library().module, MAKEINTRESOURCEA(16) /* RT_VERSION */, MAKEINTRESOURCEA(1),
                                kJapanese));

    HMODULE version = LoadLibraryA("version.dll");
    ASSERT_TRUE(version);
    const auto getSize = reinterpret_cast<decltype(&GetFileVersionInfoSizeA)>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeA")));
    const auto getInfo = reinterpret_cast<decltype(&GetFileVersionInfoA)>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoA")));
    const auto query = reinterpret_cast<decltype(&VerQueryValueA)>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueA")));
    ASSERT_TRUE(getSize && getInfo && query);

    DWORD ignored = 0;
    std::vector<BYTE> data(getSize(path.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(getInfo(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(data.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x00040004u);
    EXPECT_EQ(fixed->dwFileType, 2u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    ASSERT_TRUE(query(data.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0411);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 0x04B0);

    const struct { const char* name; const char* expected; } rows[] = {
        {"Comments", "Susie Pulg-in画像と文字の合成"}, {"FileDescription", "Brimsel"},
        {"FileVersion", "1.1.0.0"}, {"InternalName", "Brimsel"}, {"OriginalFilename", "Brimsel.dxl"},
        {"ProductName", "Brimsel Dxl"}, {"ProductVersion", "1.1.0.0"}, {"CompanyName", nullptr},
        {"LegalCopyright", nullptr},
    };
    for (const auto& row : rows) {
        const std::string key = std::string("\\StringFileInfo\\041104b0\\") + row.name;
        ASSERT_TRUE(query(data.data(), key.c_str(), &value, &length)) << row.name;
        if (row.expected)
            EXPECT_STREQ(static_cast<const char*>(value), row.expected) << row.name;
        else
            EXPECT_GT(std::strlen(static_cast<const char*>(value)), 0u) << row.name;
    }
    FreeLibrary(version);
}
