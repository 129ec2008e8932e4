#pragma once
// Page-setup values of the browser host: margins, header and footer, an HTML header and the paper
// orientation. Nothing in the running program prints with them; the host fills them from its stored
// description and, in a form designer, imports the platform browser's page setup from the registry.
//
// Margins are held in millimetres unless the inch flag is set (only in design state, from the locale).
// The locale and the registry are reached through small interfaces so that both measurement systems and
// both decimal separators can be exercised on any machine.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Classes.h"
#include "framework/Exception.h"

namespace qd {

// A margin text that is not a number, or a margin value that is not a finite number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

enum class TPrintOrientationOption { poPortrait, poLandscape };

// What the page setup needs to know about the user's locale.
class IMeasureLocale {
public:
    virtual ~IMeasureLocale() = default;
    // True when the locale measures in inches (US system), false for metric.
    virtual bool MeasuresInInches() const = 0;
    // The locale's decimal separator, e.g. L"." or L",". Never empty.
    virtual std::wstring DecimalSeparator() const = 0;
};

// The user locale through GetLocaleInfoW. Falls back to metric and "." when the locale cannot be read.
class TUserMeasureLocale final : public IMeasureLocale {
public:
    bool MeasuresInInches() const override;
    std::wstring DecimalSeparator() const override;
};

// One opened page-setup key.
class IPageSetupKey {
public:
    virtual ~IPageSetupKey() = default;
    // A string value of the key; nullopt when the value is missing or is not a string.
    virtual std::optional<std::wstring> ReadString(std::wstring_view name) const = 0;
};

// Where the platform browser keeps its page setup.
class IPageSetupStore {
public:
    virtual ~IPageSetupStore() = default;
    // Opens the page-setup key for reading without creating it; null when it does not exist.
    virtual std::unique_ptr<IPageSetupKey> Open() const = 0;
};

// HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\PageSetup through the registry API.
class TRegistryPageSetupStore final : public IPageSetupStore {
public:
    TRegistryPageSetupStore() = default;
    // Another key under HKEY_CURRENT_USER with the same value names (used to test the registry path).
    explicit TRegistryPageSetupStore(std::wstring subKey) : FSubKey(std::move(subKey)) {}
    std::unique_ptr<IPageSetupKey> Open() const override;

    static constexpr const wchar_t* DefaultSubKey = L"Software\\Microsoft\\Internet Explorer\\PageSetup";

private:
    std::wstring FSubKey = DefaultSubKey;
};

// The four page margins, each a finite real in the unit of the owning print options.
class TMargins {
public:
    double Left() const noexcept { return FLeft; }
    double Right() const noexcept { return FRight; }
    double Top() const noexcept { return FTop; }
    double Bottom() const noexcept { return FBottom; }
    // Each setter raises EConvertError for a NaN or infinite value and keeps the old one.
    void SetLeft(double value);
    void SetRight(double value);
    void SetTop(double value);
    void SetBottom(double value);

private:
    double FLeft = 0;
    double FRight = 0;
    double FTop = 0;
    double FBottom = 0;
};

class TPrintOptions {
public:
    TPrintOptions();

    TMargins& Margins() noexcept { return FMargins; }
    const TMargins& Margins() const noexcept { return FMargins; }

    // Header and footer texts use the platform browser's header/footer codes ("&w", "&p", ...). UTF-8.
    const std::string& Header() const noexcept { return FHeader; }
    void SetHeader(std::string value) { FHeader = std::move(value); }
    const std::string& Footer() const noexcept { return FFooter; }
    void SetFooter(std::string value) { FFooter = std::move(value); }

    const TStringList& HTMLHeader() const noexcept { return FHTMLHeader; }
    // Copies the lines of `value`; the print options keep their own list.
    void SetHTMLHeader(const TStringList& value);

    TPrintOrientationOption Orientation() const noexcept { return FOrientation; }
    void SetOrientation(TPrintOrientationOption value) noexcept { FOrientation = value; }

    // True when the margins are in inches, false for millimetres. Not stored; set in design state only.
    bool InchUnits() const noexcept { return FInchUnits; }
    void SetInchUnits(bool value) noexcept { FInchUnits = value; }

    // The text of a margin value (in this object's unit) in the unit of the locale's measurement system,
    // as for a field of the platform's page-setup dialog: 15 significant digits, shortest form, the
    // locale's decimal separator (19.05 mm gives "19.05" for a metric locale and "0.75" for an inch one).
    std::wstring MarginToText(double value, const IMeasureLocale& locale) const;

    // Design state: takes the locale's unit and imports the platform browser's page setup. A missing key
    // changes nothing. A margin text that is not a number raises EConvertError; the values read before
    // it keep their new values.
    void ImportPageSetup(const IPageSetupStore& store, const IMeasureLocale& locale);

private:
    TMargins FMargins;
    std::string FHeader;
    TStringList FHTMLHeader;
    std::string FFooter;
    TPrintOrientationOption FOrientation = TPrintOrientationOption::poPortrait;
    bool FInchUnits = false;
};

// Shortest text of `value` with at most 15 significant digits, using `decimalSeparator` for the point.
std::wstring FormatMarginNumber(double value, std::wstring_view decimalSeparator);

// A registry margin text (always written with a point): spaces are removed, then the whole remaining text
// must be a finite decimal number. Raises EConvertError otherwise. Independent of any locale.
double ParseRegistryMargin(std::wstring_view text);

}  // namespace qd
