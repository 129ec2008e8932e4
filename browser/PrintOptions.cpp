#include "browser/PrintOptions.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <vector>

#include "framework/Classes.h"

namespace qd {

namespace {

constexpr double MillimetresPerInch = 25.4;

double CheckedMargin(double value) {
    if (!std::isfinite(value)) throw EConvertError("A page margin must be a finite number");
    return value;
}

class TRegistryPageSetupKey final : public IPageSetupKey {
public:
    explicit TRegistryPageSetupKey(HKEY key) : FKey(key) {}
    ~TRegistryPageSetupKey() override { RegCloseKey(FKey); }
    TRegistryPageSetupKey(const TRegistryPageSetupKey&) = delete;
    TRegistryPageSetupKey& operator=(const TRegistryPageSetupKey&) = delete;

    std::optional<std::wstring> ReadString(std::wstring_view name) const override {
        const std::wstring valueName(name);
        std::vector<wchar_t> buffer(64);
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
            const LONG rc = RegQueryValueExW(FKey, valueName.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &bytes);
            if (rc == ERROR_MORE_DATA) {
                // Room for the data plus a terminator the stored value may lack.
                buffer.resize(bytes / sizeof(wchar_t) + 2);
                continue;
            }
            if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
            // Registry strings need not be terminated, and may carry several terminators: use the data
            // length, then cut at the first NUL.
            std::wstring text(buffer.data(), bytes / sizeof(wchar_t));
            const auto nul = text.find(L'\0');
            if (nul != std::wstring::npos) text.resize(nul);
            return text;
        }
        return std::nullopt;  // the value kept growing between calls
    }

private:
    HKEY FKey;
};

}  // namespace

bool TUserMeasureLocale::MeasuresInInches() const {
    wchar_t buffer[4] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, buffer, 4) == 0) return false;
    return buffer[0] == L'1';
}

std::wstring TUserMeasureLocale::DecimalSeparator() const {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) == 0 || buffer[0] == L'\0') return L".";
    return buffer;
}

std::unique_ptr<IPageSetupKey> TRegistryPageSetupStore::Open() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, FSubKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<TRegistryPageSetupKey>(key);
}

void TMargins::SetLeft(double value) { FLeft = CheckedMargin(value); }
void TMargins::SetRight(double value) { FRight = CheckedMargin(value); }
void TMargins::SetTop(double value) { FTop = CheckedMargin(value); }
void TMargins::SetBottom(double value) { FBottom = CheckedMargin(value); }

TPrintOptions::TPrintOptions() { FHTMLHeader.Add("<HTML></HTML>"); }

void TPrintOptions::SetHTMLHeader(const TStringList& value) {
    if (&value == &FHTMLHeader) return;
    TStringList copy;
    for (const auto& item : value) copy.Add(item.Text, item.Object);
    FHTMLHeader = std::move(copy);
}

std::wstring FormatMarginNumber(double value, std::wstring_view decimalSeparator) {
    if (!std::isfinite(value)) throw EConvertError("A page margin must be a finite number");
    if (value == 0) value = 0;  // no "-0"
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::wstring text;
    for (const char* p = buffer; p != result.ptr; ++p) {
        if (*p == '.') {
            text.append(decimalSeparator.empty() ? std::wstring_view(L".") : decimalSeparator);
        } else {
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
        }
    }
    return text;
}

double ParseRegistryMargin(std::wstring_view text) {
    std::string number;
    for (const wchar_t c : text) {
        if (c == L' ') continue;
        // Anything outside ASCII cannot be part of a number; keep it visible as '?' in the message.
        number.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    std::string_view digits(number);
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-' && digits[1] != '+') digits.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                           std::chars_format::fixed | std::chars_format::scientific);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || !std::isfinite(value)) {
        throw EConvertError("'" + WideToUtf8(text) + "' is not a valid floating point value");
    }
    return value;
}

std::wstring TPrintOptions::MarginToText(double value, const IMeasureLocale& locale) const {
    const bool localeInches = locale.MeasuresInInches();
    if (FInchUnits != localeInches) {
        value = localeInches ? value / MillimetresPerInch : value * MillimetresPerInch;
    }
    return FormatMarginNumber(value, locale.DecimalSeparator());
}

void TPrintOptions::ImportPageSetup(const IPageSetupStore& store, const IMeasureLocale& locale) {
    FInchUnits = locale.MeasuresInInches();
    const auto key = store.Open();
    if (!key) return;

    SetHeader(WideToUtf8(key->ReadString(L"header").value_or(L"")));
    SetFooter(WideToUtf8(key->ReadString(L"footer").value_or(L"")));

    // The registry holds inches, written with a point whatever the locale.
    const auto import = [&](const wchar_t* name, void (TMargins::*setter)(double)) {
        const auto text = key->ReadString(name);
        if (!text) return;  // an absent value leaves the margin as it is
        double value = ParseRegistryMargin(*text);
        if (!FInchUnits) value *= MillimetresPerInch;
        (FMargins.*setter)(value);
    };
    import(L"margin_left", &TMargins::SetLeft);
    import(L"margin_right", &TMargins::SetRight);
    import(L"margin_top", &TMargins::SetTop);
    import(L"margin_bottom", &TMargins::SetBottom);
}

}  // namespace qd
