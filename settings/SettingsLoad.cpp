#include "settings/SettingsLoad.h"

#include "core/AppError.h"
#include "settings/IniFile.h"
#include "settings/LayoutKeys.h"
#include "settings/PortNames.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsValues.h"

namespace {

class Reader {
public:
    explicit Reader(const IniFile& ini) : ini_(ini) {}

    QString text(const char* key, const QString& defaultValue) const {
        return ini_.readString(QLatin1String(kMainSection), QLatin1String(key), defaultValue);
    }
    QString text(const char* key, const char* defaultValue) const {
        return text(key, QLatin1String(defaultValue));
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

    layout.options.shopTitle = read.text(LayoutKey::ShopTitle, kDefaultShopTitle);
    for (const BoxKey& box : kBoxKeys)
        box.of(layout) = read.strict(box.name, box.defaultValue);
    const QString face = read.text(LayoutKey::FontFace, kDefaultFontName);
    layout.font = LabelFont::of(face, read.text(LayoutKey::FontWeight, kDefaultFontWeight));
    layout.port = read.text(LayoutKey::Port, defaultPortName());
    layout.options.style = read.lenient(LayoutKey::PrintStyle);
    layout.options.option = read.lenient(LayoutKey::PrintOption);
    layout.options.option2 = read.lenient(LayoutKey::PrintOption2);
    layout.options.showPrintDialog = parseFlag(read.text(LayoutKey::ShowPrintDialog, "0"));
    return SettingsLoadResult{read.firstError()};
}

SettingsLoadResult loadSettings(TLabelLayout& layout, WindowGeometry& geometry) {
    const IniFile ini(settingsFilePath(QStringLiteral("Quillet.ini")));
    return loadSettings(ini, layout, geometry);
}
