#include "settings/SettingsSave.h"

#include "settings/IniFile.h"
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
            number(box.name, layout.*box.field);
    }

private:
    IniFile& ini_;
};

} // namespace

void saveSettingsDialog(const TLabelLayout& layout) {
    IniFile ini(settingsFilePath(QStringLiteral("Quillet.ini")));
    Writer write(ini);
    write.text("_ShopTitle", layout._ShopTitle);
    write.boxes(layout);
    write.text("_ftype_name", layout._ftype_name);
    write.text("_fBellow", layout._fBellow);
    write.text("_iprinter", layout._iprinter);
    write.number("_PrintStyle", layout._PrintStyle);
    write.number("_PrintOption", layout._PrintOption);
    write.number("_PrintOption2", layout._PrintOption2);
    write.flag("_ShowPrintDialog", layout._ShowPrintDialog);
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
        write.text("_ftype_name", layout._ftype_name);
        write.text("_fBellow", layout._fBellow);
        write.text("_ShopTitle", layout._ShopTitle);
        write.text("_iprinter", layout._iprinter);
        write.number("_PrintOption", layout._PrintOption);
        write.number("_PrintOption2", layout._PrintOption2);
        write.flag("_ShowPrintDialog", layout._ShowPrintDialog);
        ini.save();
        return true;
    } catch (...) {
        return false;
    }
}
