#pragma once

#include "forms/StripPreview.h"
#include "settings/PickLists.h"
#include "settings/uBarcode.h"

#include <QDialog>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QWidget;

// The controls of one of the 24 box values: its read-only edit, its up-down,
// its label, the up-down's range and the "Load default" preset.
struct BoxValue {
    const char* edit;
    const char* upDown;
    const char* label;
    int min;
    int max;
    int preset;
};

// The controls of the 24 box values, in the order of kBoxKeys
// (settings/LayoutKeys.h): value i shows kBoxKeys[i].
const std::array<BoxValue, 24>& boxValues();

// The installed screen fonts, sorted by name.
QStringList installedScreenFonts();
// The installed family the system draws face with when face is not installed
// but has a metric-compatible alias ("Liberation Serif" for "Times New
// Roman"); empty for an installed face and for one that is missing.
QString metricAliasOf(const QString& face);

// BarSetting: where the operator edits the label layout. It edits a copy of
// the layout its opener hands it; OK makes the copy what it shows, for the
// opener to take back; Cancel, Escape and the close box change nothing.
// Beside the values it shows the strip the printer would receive for them.
class TBarSetting : public QDialog {
    Q_OBJECT
public:
    // What the preview prints with: the texts and the format of the moment.
    using PreviewSource = std::function<PreviewSamples()>;

    explicit TBarSetting(QWidget* parent = nullptr, PreviewSource previewSource = {});
    ~TBarSetting() override;

    // The interface code page; set by the opener before every showing.
    int32_t CodePage = 0;

    void ApplyLanguage(int codePage);

    // Event handlers.
    void FormShow();
    void BitBtn1Click();
    void btnLoadDefaultClick();

    // The layout the dialog edits: set by the opener before it shows the
    // dialog; after OK, the layout as the operator left it.
    void setLabelLayout(const TLabelLayout& layout) { layout_ = layout; }
    const TLabelLayout& labelLayout() const { return layout_; }

    // The layout with the values the controls show, as OK would store them.
    TLabelLayout shownLayout() const;
    // Redraws the preview from the controls.
    void updatePreview();
    // Names the family drawn for the chosen face when an alias stands for it.
    void showDrawnFont();
    // What the opener knows of the printer's state, beside the port choice.
    void setPrinterState(const QString& text);

    void setVisible(bool visible) override;

    // Controls.
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label23 = nullptr;
    QLineEdit* edTitle = nullptr;
    QCheckBox* chk_ShowPrintDialog = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QGroupBox* grp1_PageSetting = nullptr;
    QLabel *Label24 = nullptr, *Label25 = nullptr, *Label26 = nullptr;
    QComboBox* cbprinter = nullptr;
    QLabel* lblPrinterState = nullptr; // the printer's state, empty when unknown
    // The family drawn for the chosen face when it is drawn with an alias.
    QLabel* lblFontDrawn = nullptr;
    QComboBox* cbbFontName = nullptr;
    QComboBox* cbbFontbellow = nullptr;
    QGroupBox* grp1_BarCodeSetting = nullptr;
    QGroupBox* grp1_TextSetting = nullptr;
    QGroupBox* grpPreview = nullptr;
    TStripPreview* StripPreview = nullptr;
    QWidget* Panel3 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* btnLoadDefault = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // The 24 up-downs and their read-only edits, in the order of boxValues().
    std::array<QSpinBox*, 24> upDowns{};
    std::array<QLineEdit*, 24> edits{};
    std::array<QLabel*, 24> labels{};

    // Up-down and edit of a value by name, e.g. upDown("bUDleft1"), edit("EDheight4").
    QSpinBox* upDown(const char* name) const;
    QLineEdit* edit(const char* name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setDesignCaptions();
    QGroupBox* buildBoxGroup(const char* name, int first);
    void setTabOrder();

    TLabelLayout layout_;
    PreviewSource previewSource_;
    PreviewSamples samples_;
    StripPreviewer previewer_;
    bool filling_ = true; // no preview while the controls are built or filled
    bool shownOnce_ = false;
};
