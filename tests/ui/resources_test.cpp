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
    DWORD style;
};
struct Template {
    DWORD style = 0, exStyle = 0;
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

void ExpectTemplate(const Template& actual, DWORD style, const char* caption, const std::vector<Item>& items) {
    EXPECT_EQ(actual.style, style);
    EXPECT_EQ(actual.exStyle, 0u);
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
        EXPECT_EQ(a.style, e.style);
    }
}

INT_PTR CALLBACK NoHandler(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// What a user sees of a dialog, made from the library's template in the
// dialog font: every control inside the client area, none over another.
void ExpectLaidOut(int id) {
    HWND dialog = CreateDialogParamA(Library().module, MAKEINTRESOURCEA(id), nullptr, NoHandler, 0);
    ASSERT_NE(dialog, nullptr);
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<RECT> seen;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT r, overlap;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SCOPED_TRACE("control " + std::to_string(seen.size()) + ", id " + std::to_string(GetDlgCtrlID(control)));
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom &&
                    r.left < r.right && r.top < r.bottom);
        for (size_t other = 0; other < seen.size(); ++other)
            EXPECT_FALSE(IntersectRect(&overlap, &r, &seen[other])) << "over control " << other;
        seen.push_back(r);
    }
    DestroyWindow(dialog);
}
}  // namespace

TEST(Resources, SettingsDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(Library().module, 103, &t));
    const WORD none = 0xFFFF;
    ExpectTemplate(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, "入力サポート",
                   {
                       {IDOK, kButton, "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                       {IDCANCEL, kButton, "ｷｬﾝｾﾙ", kPush},
                       {1000, kEdit, "", kChild | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
                       {1001, kButton, "選択...", kPush},
                       {1002, kComboBox, "", kCombo},
                       {1003, kComboBox, "", kCombo},
                       {1004, kComboBox, "", kCombo},
                       {none, kStatic, "背景の画像ファイル :", kLabelLeft},
                       {none, kStatic, "画像の位置 :", kLabelRight},
                       {none, kStatic, "文字の整列 :", kLabelRight},
                       {none, kStatic, "再計算方法 :", kLabelRight},
                       {1005, kButton, "時刻のフォント", kPush},
                       {1006, kButton, "日付のフォント", kPush},
                       {1007, kComboBox, "", kCombo},
                       {none, kStatic, "日付の書式 :", kLabelRight},
                       {1008, kComboBox, "", kCombo},
                       {none, kStatic, "時刻の書式 :", kLabelRight},
                   });
    ExpectLaidOut(103);
}

TEST(Resources, AboutDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(Library().module, 101, &t));
    ASSERT_EQ(t.items.size(), 5u);
    const std::string notice = t.items[2].text;   // the maker's notice: two lines of our choosing
    EXPECT_NE(notice.find('\n'), std::string::npos);
    EXPECT_EQ(notice.find('\n'), notice.rfind('\n'));
    const WORD none = 0xFFFF;
    ExpectTemplate(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, "About Hasperl.DxL",
                   {
                       {IDOK, kButton, "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                       {none, kStatic, "Vellumin 小片描画拡張ライブラリィ － 画像と文字(Susie Plug-in利用)",
                        kChild | SS_CENTER | WS_GROUP},
                       {none, kStatic, notice, kLabelRight},
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
                        kLabelLeft | SS_SUNKEN},
                       {none, kStatic, "Version 1.10", kLabelRight},
                   });
    ExpectLaidOut(101);
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
