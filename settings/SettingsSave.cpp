#include "settings/SettingsSave.h"

#include "settings/IniFile.h"
#include "settings/LayoutKeys.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsValues.h"

namespace {

class Writer {
public:
    explicit Writer(IniFile& ini) : ini_(ini) {}

    void text(const char* key, const QString& value) {
        ini_.writeString(QLatin1String(kMainSection), QLatin1String(key), value);
    }
    void number(const char* key, int32_t value) { text(key, QString::number(value)); }
    void flag(const char* key, bool value) { text(key, flagText(value)); }

    void boxes(const TLabelLayout& layout) {
        for (const BoxKey& box : kBoxKeys)
            number(box.name, box.of(layout));
    }
    void font(const TLabelLayout& layout) {
        text(LayoutKey::FontFace, layout.font.face);
        text(LayoutKey::FontWeight, layout.font.weightText);
    }
    void printOptions(const TLabelLayout& layout) {
        number(LayoutKey::PrintOption, layout.options.option);
        number(LayoutKey::PrintOption2, layout.options.option2);
        flag(LayoutKey::ShowPrintDialog, layout.options.showPrintDialog);
    }

private:
    IniFile& ini_;
};

} // namespace

void saveSettingsDialog(const TLabelLayout& layout) {
    IniFile ini(settingsFilePath(QStringLiteral("Quillet.ini")));
    Writer write(ini);
    write.text(LayoutKey::ShopTitle, layout.options.shopTitle);
    write.boxes(layout);
    write.font(layout);
    write.text(LayoutKey::Port, layout.port);
    write.number(LayoutKey::PrintStyle, layout.options.style);
    write.printOptions(layout);
    ini.save();
}

bool saveSettingsExit(const TLabelLayout& layout, const WindowGeometry& geometry) noexcept {
    try {
        IniFile ini(settingsFilePath(QStringLiteral("Quillet.INI")));
        Writer write(ini);
        write.number("top", geometry.top);
        write.number("left", geometry.left);
        write.number("height", geometry.height);
        write.number("width", geometry.width);
        write.boxes(layout);
        write.font(layout);
        write.text(LayoutKey::ShopTitle, layout.options.shopTitle);
        write.text(LayoutKey::Port, layout.port);
        write.printOptions(layout);
        ini.save();
        return true;
    } catch (...) {
        return false;
    }
}
