#include "settings/SettingsLoad.h"

#include "app/AppError.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsValues.h"

namespace {

class Reader {
public:
    explicit Reader(const IniFile& ini) : ini_(ini) {}

    QString text(const char* key, const char* defaultValue) const {
        return ini_.readString(QLatin1String(kMainSection), QLatin1String(key),
                               QLatin1String(defaultValue));
    }

    int32_t strict(const char* key, int32_t defaultValue) {
        const QString value = ini_.readString(QLatin1String(kMainSection), QLatin1String(key),
                                              QString::number(defaultValue));
        if (const auto number = parseWholeNumber(value))
            return *number;
        if (firstError_.isEmpty())
            firstError_ = AppError::invalidInteger(value).text();
        return defaultValue;
    }

    int32_t lenient(const char* key) const { return parseLenientNumber(text(key, "0")); }

    const QString& firstError() const { return firstError_; }

private:
    const IniFile& ini_;
    QString firstError_;
};

} // namespace

SettingsLoadResult loadSettings(const IniFile& ini, TLabelLayout& layout,
                                WindowGeometry& geometry) {
    Reader read(ini);
    geometry.top = read.strict("top", geometry.top);
    geometry.left = read.strict("left", geometry.left);
    geometry.height = read.strict("height", geometry.height);
    geometry.width = read.strict("width", geometry.width);

    layout._ShopTitle = read.text("_ShopTitle", kDefaultShopTitle);
    for (const BoxKey& box : kBoxKeys)
        layout.*box.field = read.strict(box.name, box.defaultValue);
    layout._ftype_name = read.text("_ftype_name", kDefaultFontName);
    layout._fBellow = read.text("_fBellow", kDefaultFontWeight);
    layout._iprinter = read.text("_iprinter", kDefaultPrinter);
    layout._PrintStyle = read.lenient("_PrintStyle");
    layout._PrintOption = read.lenient("_PrintOption");
    layout._PrintOption2 = read.lenient("_PrintOption2");
    layout._ShowPrintDialog = parseFlag(read.text("_ShowPrintDialog", "0"));
    return SettingsLoadResult{read.firstError()};
}

SettingsLoadResult loadSettings(TLabelLayout& layout, WindowGeometry& geometry) {
    const IniFile ini(settingsFilePath(QStringLiteral("Quillet.ini")));
    return loadSettings(ini, layout, geometry);
}
