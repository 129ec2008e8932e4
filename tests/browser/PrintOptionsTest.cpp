#include "browser/PrintOptions.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <limits>
#include <map>

namespace qd {
namespace {

class TFakeLocale final : public IMeasureLocale {
public:
    TFakeLocale(bool inches, std::wstring separator) : FInches(inches), FSeparator(std::move(separator)) {}
    bool MeasuresInInches() const override { return FInches; }
    std::wstring DecimalSeparator() const override { return FSeparator; }

private:
    bool FInches;
    std::wstring FSeparator;
};

const TFakeLocale MetricPoint(false, L".");
const TFakeLocale MetricComma(false, L",");
const TFakeLocale InchPoint(true, L".");
const TFakeLocale InchComma(true, L",");

// A page-setup key held in memory; a store without values stands for a missing key.
class TFakeStore final : public IPageSetupStore {
public:
    using TValues = std::map<std::wstring, std::wstring, std::less<>>;
    TFakeStore() = default;
    explicit TFakeStore(TValues values) : FValues(std::move(values)) {}

    std::unique_ptr<IPageSetupKey> Open() const override {
        if (!FValues) return nullptr;
        return std::make_unique<TKey>(*FValues);
    }

private:
    class TKey final : public IPageSetupKey {
    public:
        explicit TKey(const TValues& values) : FValues(values) {}
        std::optional<std::wstring> ReadString(std::wstring_view name) const override {
            const auto it = FValues.find(name);
            if (it == FValues.end()) return std::nullopt;
            return it->second;
        }

    private:
        const TValues& FValues;
    };
    std::optional<TValues> FValues;
};

TFakeStore::TValues InternetExplorerDefaults() {
    return {{L"header", L"&w&b页码，&p/&P"}, {L"footer", L"&u&b&d"},       {L"margin_left", L"0.75"},
            {L"margin_right", L"0.75"},      {L"margin_top", L"0.750000"}, {L"margin_bottom", L"0.75"}};
}

void SetAllMargins(TPrintOptions& options, double value) {
    options.Margins().SetLeft(value);
    options.Margins().SetRight(value);
    options.Margins().SetTop(value);
    options.Margins().SetBottom(value);
}

// ---- The object and its values ---------------------------------------------------------------------------

TEST(PrintOptions, NewObjectHasTheDocumentedDefaults) {
    TPrintOptions options;
    EXPECT_EQ(options.Header(), "");
    EXPECT_EQ(options.Footer(), "");
    EXPECT_EQ(options.Orientation(), TPrintOrientationOption::poPortrait);
    EXPECT_FALSE(options.InchUnits());
    EXPECT_EQ(options.Margins().Left(), 0.0);
    EXPECT_EQ(options.Margins().Right(), 0.0);
    EXPECT_EQ(options.Margins().Top(), 0.0);
    EXPECT_EQ(options.Margins().Bottom(), 0.0);
    ASSERT_EQ(options.HTMLHeader().Count(), 1);
    EXPECT_EQ(options.HTMLHeader()[0], "<HTML></HTML>");
}

TEST(PrintOptions, HoldsTheStoredValuesOfTheSystemsHost) {
    TPrintOptions options;
    SetAllMargins(options, 19.05);
    options.SetHeader("&w&b页码，&p/&P");
    options.SetFooter("&u&b&d");
    options.SetOrientation(TPrintOrientationOption::poLandscape);
    EXPECT_EQ(options.Margins().Left(), 19.05);
    EXPECT_EQ(options.Margins().Bottom(), 19.05);
    EXPECT_EQ(options.Header(), "&w&b页码，&p/&P");
    EXPECT_EQ(options.Footer(), "&u&b&d");
    EXPECT_EQ(options.Orientation(), TPrintOrientationOption::poLandscape);
}

TEST(PrintOptions, HtmlHeaderSetterCopiesTheLinesAndKeepsItsOwnList) {
    TPrintOptions options;
    TStringList lines;
    lines.Add("<HTML>");
    lines.Add("<HEAD><TITLE>订单</TITLE></HEAD>");
    options.SetHTMLHeader(lines);
    lines.SetString(0, "changed");
    lines.Add("added");
    ASSERT_EQ(options.HTMLHeader().Count(), 2);
    EXPECT_EQ(options.HTMLHeader()[0], "<HTML>");
    EXPECT_EQ(options.HTMLHeader()[1], "<HEAD><TITLE>订单</TITLE></HEAD>");

    options.SetHTMLHeader(options.HTMLHeader());  // assigning its own list keeps it
    EXPECT_EQ(options.HTMLHeader().Count(), 2);
    options.SetHTMLHeader(TStringList{});
    EXPECT_EQ(options.HTMLHeader().Count(), 0);
}

TEST(PrintOptions, MarginSettersRefuseValuesThatAreNotFiniteAndKeepTheOldOne) {
    TMargins margins;
    margins.SetLeft(12.5);
    EXPECT_THROW(margins.SetLeft(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_THROW(margins.SetRight(std::numeric_limits<double>::infinity()), EConvertError);
    EXPECT_THROW(margins.SetTop(-std::numeric_limits<double>::infinity()), EConvertError);
    EXPECT_THROW(margins.SetBottom(std::numeric_limits<double>::signaling_NaN()), EConvertError);
    EXPECT_EQ(margins.Left(), 12.5);
    EXPECT_EQ(margins.Right(), 0.0);
    EXPECT_EQ(margins.Top(), 0.0);
    EXPECT_EQ(margins.Bottom(), 0.0);
}

// ---- Margin to text --------------------------------------------------------------------------------------

TEST(MarginToText, MillimetreMarginsInBothUnitsAndBothSeparators) {
    TPrintOptions options;  // run time: millimetres
    EXPECT_EQ(options.MarginToText(19.05, MetricPoint), L"19.05");
    EXPECT_EQ(options.MarginToText(19.05, MetricComma), L"19,05");
    EXPECT_EQ(options.MarginToText(19.05, InchPoint), L"0.75");
    EXPECT_EQ(options.MarginToText(19.05, InchComma), L"0,75");
    EXPECT_EQ(options.MarginToText(25.4, InchPoint), L"1");
}

TEST(MarginToText, InchMarginsInBothUnitsAndBothSeparators) {
    TPrintOptions options;
    options.SetInchUnits(true);
    EXPECT_EQ(options.MarginToText(0.75, InchPoint), L"0.75");
    EXPECT_EQ(options.MarginToText(0.75, InchComma), L"0,75");
    EXPECT_EQ(options.MarginToText(0.75, MetricPoint), L"19.05");
    EXPECT_EQ(options.MarginToText(0.75, MetricComma), L"19,05");
}

TEST(MarginToText, UsesFifteenSignificantDigitsInShortestForm) {
    TPrintOptions options;
    EXPECT_EQ(options.MarginToText(10, InchPoint), L"0.393700787401575");
    EXPECT_EQ(options.MarginToText(1.0 / 3.0, MetricComma), L"0,333333333333333");
    EXPECT_EQ(options.MarginToText(0.1 + 0.2, MetricPoint), L"0.3");
    EXPECT_EQ(options.MarginToText(20, MetricPoint), L"20");
    EXPECT_EQ(options.MarginToText(-0.0, MetricPoint), L"0");
    EXPECT_EQ(options.MarginToText(-5.5, MetricComma), L"-5,5");
}

TEST(MarginToText, TakesAMultiCharacterSeparatorWhole) {
    EXPECT_EQ(FormatMarginNumber(2.25, L"·:"), L"2·:25");
    EXPECT_EQ(FormatMarginNumber(2.25, L""), L"2.25");  // a locale that gives none
}

TEST(MarginToText, RefusesValuesThatAreNotFinite) {
    TPrintOptions options;
    EXPECT_THROW(options.MarginToText(std::numeric_limits<double>::quiet_NaN(), MetricPoint), EConvertError);
    EXPECT_THROW(options.MarginToText(std::numeric_limits<double>::infinity(), InchPoint), EConvertError);
}

// ---- Registry margin texts -------------------------------------------------------------------------------

TEST(RegistryMarginText, ReadsPointDecimalsWithSpacesRemoved) {
    EXPECT_EQ(ParseRegistryMargin(L"0.75"), 0.75);
    EXPECT_EQ(ParseRegistryMargin(L"0. 75"), 0.75);
    EXPECT_EQ(ParseRegistryMargin(L" 0 .7 5 "), 0.75);
    EXPECT_EQ(ParseRegistryMargin(L"0.750000"), 0.75);
    EXPECT_EQ(ParseRegistryMargin(L"1"), 1.0);
    EXPECT_EQ(ParseRegistryMargin(L"+0.5"), 0.5);
    EXPECT_EQ(ParseRegistryMargin(L"-0.25"), -0.25);
    EXPECT_EQ(ParseRegistryMargin(L"7.5e-1"), 0.75);
}

TEST(RegistryMarginText, RefusesAnythingThatIsNotWhollyAFiniteNumber) {
    for (const wchar_t* text : {L"", L"   ", L"abc", L"0,75", L"0.75in", L"0.75\t", L"1e400", L"nan", L"inf", L"-inf",
                                L"0x1p3", L"++1", L"+-1", L"０.75", L"0.7.5", L"."}) {
        EXPECT_THROW(ParseRegistryMargin(text), EConvertError) << "text: " << testing::PrintToString(text);
    }
}

TEST(RegistryMarginText, ErrorMessageNamesTheText) {
    try {
        ParseRegistryMargin(L"页 1");
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "'页 1' is not a valid floating point value");
    }
}

// ---- Page-setup import through the seam ------------------------------------------------------------------

TEST(PageSetupImport, MetricLocaleConvertsTheRegistryInchesToMillimetres) {
    for (const TFakeLocale* locale : {&MetricPoint, &MetricComma}) {
        TPrintOptions options;
        options.ImportPageSetup(TFakeStore(InternetExplorerDefaults()), *locale);
        EXPECT_FALSE(options.InchUnits());
        EXPECT_DOUBLE_EQ(options.Margins().Left(), 19.05);
        EXPECT_DOUBLE_EQ(options.Margins().Right(), 19.05);
        EXPECT_DOUBLE_EQ(options.Margins().Top(), 19.05);
        EXPECT_DOUBLE_EQ(options.Margins().Bottom(), 19.05);
        EXPECT_EQ(options.Header(), "&w&b页码，&p/&P");
        EXPECT_EQ(options.Footer(), "&u&b&d");
        EXPECT_EQ(options.MarginToText(options.Margins().Left(), *locale),
                  locale == &MetricPoint ? L"19.05" : L"19,05");
    }
}

TEST(PageSetupImport, InchLocaleKeepsInchesAndSetsTheUnitFlag) {
    for (const TFakeLocale* locale : {&InchPoint, &InchComma}) {
        TPrintOptions options;
        options.ImportPageSetup(TFakeStore(InternetExplorerDefaults()), *locale);
        EXPECT_TRUE(options.InchUnits());
        EXPECT_EQ(options.Margins().Left(), 0.75);
        EXPECT_EQ(options.Margins().Bottom(), 0.75);
        EXPECT_EQ(options.MarginToText(options.Margins().Top(), *locale), locale == &InchPoint ? L"0.75" : L"0,75");
    }
}

TEST(PageSetupImport, SpacesInsideAMarginTextAreIgnored) {
    auto values = InternetExplorerDefaults();
    values[L"margin_left"] = L"0. 75";
    values[L"margin_right"] = L" 1 .5 ";
    TPrintOptions options;
    options.ImportPageSetup(TFakeStore(values), InchComma);
    EXPECT_EQ(options.Margins().Left(), 0.75);
    EXPECT_EQ(options.Margins().Right(), 1.5);
}

TEST(PageSetupImport, MissingKeyChangesNothing) {
    TPrintOptions options;
    SetAllMargins(options, 19.05);
    options.SetHeader("kept");
    options.ImportPageSetup(TFakeStore(), MetricPoint);
    EXPECT_EQ(options.Margins().Left(), 19.05);
    EXPECT_EQ(options.Margins().Top(), 19.05);
    EXPECT_EQ(options.Header(), "kept");
}

TEST(PageSetupImport, MissingTextsBecomeEmptyAndMissingMarginsStay) {
    TPrintOptions options;
    SetAllMargins(options, 5);
    options.SetHeader("old header");
    options.SetFooter("old footer");
    options.ImportPageSetup(TFakeStore(TFakeStore::TValues{{L"margin_top", L"1"}}), MetricPoint);
    EXPECT_EQ(options.Header(), "");
    EXPECT_EQ(options.Footer(), "");
    EXPECT_EQ(options.Margins().Left(), 5.0);
    EXPECT_EQ(options.Margins().Right(), 5.0);
    EXPECT_DOUBLE_EQ(options.Margins().Top(), 25.4);
    EXPECT_EQ(options.Margins().Bottom(), 5.0);
}

TEST(PageSetupImport, BadMarginRaisesAndKeepsTheMarginsReadBeforeIt) {
    auto values = InternetExplorerDefaults();
    values[L"margin_top"] = L"0,5";  // not the registry's form
    values[L"margin_bottom"] = L"2";
    TPrintOptions options;
    SetAllMargins(options, 3);
    EXPECT_THROW(options.ImportPageSetup(TFakeStore(values), InchPoint), EConvertError);
    EXPECT_EQ(options.Margins().Left(), 0.75);
    EXPECT_EQ(options.Margins().Right(), 0.75);
    EXPECT_EQ(options.Margins().Top(), 3.0);
    EXPECT_EQ(options.Margins().Bottom(), 3.0);
    EXPECT_EQ(options.Header(), "&w&b页码，&p/&P");
}

TEST(PageSetupImport, MarginTooLargeForMillimetresIsRefused) {
    TPrintOptions options;
    EXPECT_THROW(options.ImportPageSetup(TFakeStore(TFakeStore::TValues{{L"margin_left", L"1e308"}}), MetricPoint),
                 EConvertError);
    EXPECT_EQ(options.Margins().Left(), 0.0);
}

// ---- The real registry and locale of the Wine prefix -----------------------------------------------------

// Sets string values under a key of HKEY_CURRENT_USER and puts the previous state back afterwards.
class TScratchKey {
public:
    explicit TScratchKey(std::wstring subKey) : FSubKey(std::move(subKey)) {
        HKEY probe = nullptr;
        FExisted = RegOpenKeyExW(HKEY_CURRENT_USER, FSubKey.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS;
        if (probe != nullptr) RegCloseKey(probe);
        EXPECT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, FSubKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FKey, nullptr),
            ERROR_SUCCESS);
    }
    ~TScratchKey() {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            if (it->Existed) {
                RegSetValueExW(FKey, it->Name.c_str(), 0, it->Type, it->Data.data(),
                               static_cast<DWORD>(it->Data.size()));
            } else {
                RegDeleteValueW(FKey, it->Name.c_str());
            }
        }
        RegCloseKey(FKey);
        if (!FExisted) RegDeleteKeyW(HKEY_CURRENT_USER, FSubKey.c_str());
    }
    void SetRaw(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
        Save(name);
        ASSERT_EQ(RegSetValueExW(FKey, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }
    void SetString(const std::wstring& name, const std::wstring& text) {
        SetRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void Remove(const std::wstring& name) {
        Save(name);
        RegDeleteValueW(FKey, name.c_str());
    }

private:
    struct TSaved {
        std::wstring Name;
        bool Existed;
        DWORD Type;
        std::vector<BYTE> Data;
    };
    void Save(const std::wstring& name) {
        TSaved saved{name, false, 0, {}};
        DWORD bytes = 0;
        if (RegQueryValueExW(FKey, name.c_str(), nullptr, &saved.Type, nullptr, &bytes) == ERROR_SUCCESS) {
            saved.Data.resize(bytes);
            saved.Existed =
                RegQueryValueExW(FKey, name.c_str(), nullptr, &saved.Type, saved.Data.data(), &bytes) == ERROR_SUCCESS;
        }
        FSaved.push_back(std::move(saved));
    }
    std::wstring FSubKey;
    bool FExisted = false;
    HKEY FKey = nullptr;
    std::vector<TSaved> FSaved;
};

TEST(PageSetupRegistry, ImportsFromTheBrowsersPageSetupKey) {
    TScratchKey key(TRegistryPageSetupStore::DefaultSubKey);
    for (const auto& [name, text] : InternetExplorerDefaults()) key.SetString(name, text);
    key.SetString(L"margin_bottom", L"1.0 ");

    TPrintOptions options;
    options.ImportPageSetup(TRegistryPageSetupStore(), MetricComma);
    EXPECT_DOUBLE_EQ(options.Margins().Left(), 19.05);
    EXPECT_DOUBLE_EQ(options.Margins().Bottom(), 25.4);
    EXPECT_EQ(options.Header(), "&w&b页码，&p/&P");
    EXPECT_EQ(options.Footer(), "&u&b&d");
}

TEST(PageSetupRegistry, ReadsUnterminatedStringsAndIgnoresValuesOfOtherTypes) {
    TScratchKey key(L"Software\\QuandrelTest\\PageSetup");
    const wchar_t unterminated[] = {L'0', L'.', L'5'};
    key.SetRaw(L"margin_left", REG_SZ, unterminated, sizeof unterminated);
    const wchar_t twoTerminators[] = L"0.25\0\0";
    key.SetRaw(L"margin_right", REG_SZ, twoTerminators, sizeof twoTerminators);
    const DWORD number = 7;
    key.SetRaw(L"header", REG_DWORD, &number, sizeof number);
    key.SetRaw(L"margin_top", REG_DWORD, &number, sizeof number);
    const std::wstring longFooter(3000, L'页');
    key.SetString(L"footer", longFooter);

    TPrintOptions options;
    options.SetHeader("old");
    options.Margins().SetTop(9);
    options.ImportPageSetup(TRegistryPageSetupStore(L"Software\\QuandrelTest\\PageSetup"), InchPoint);
    EXPECT_EQ(options.Margins().Left(), 0.5);
    EXPECT_EQ(options.Margins().Right(), 0.25);
    EXPECT_EQ(options.Margins().Top(), 9.0);  // a number value is no margin text
    EXPECT_EQ(options.Header(), "");
    EXPECT_EQ(options.Footer().size(), 3000u * 3u);  // UTF-8
}

TEST(PageSetupRegistry, MissingKeyChangesNothing) {
    TPrintOptions options;
    options.Margins().SetLeft(4);
    options.ImportPageSetup(TRegistryPageSetupStore(L"Software\\QuandrelTest\\NoSuchKey"), InchPoint);
    EXPECT_EQ(options.Margins().Left(), 4.0);
    EXPECT_TRUE(options.InchUnits());
}

TEST(PageSetupRegistry, UserLocaleGivesTheTextInItsOwnUnitAndSeparator) {
    const TUserMeasureLocale locale;
    const std::wstring separator = locale.DecimalSeparator();
    ASSERT_FALSE(separator.empty());
    TPrintOptions options;
    const std::wstring expected = locale.MeasuresInInches() ? L"0" + separator + L"75" : L"19" + separator + L"05";
    EXPECT_EQ(options.MarginToText(19.05, locale), expected);
}

}  // namespace
}  // namespace qd
