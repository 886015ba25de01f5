#include "forms/Ubarsetting.h"

#include "forms/StatusLine.h"
#include "settings/LayoutKeys.h"
#include "settings/PortNames.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include <fontconfig/fontconfig.h>

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

struct Caption {
    const char* control;
    const char* english;
    const char* chinese; // nullptr: the English caption stays
};

// Every caption of the dialog; the form's own is "BarSetting". Entries that
// name no control are texts the dialog fills in.
constexpr Caption kCaptions[] = {
    {"fontDrawn", "drawn with %1 (same metrics)", "实际使用字体 %1 (字宽相同)"},
    {"grp1_PageSetting", "PageSetting", "页面设置"},
    {"grp1_BarCodeSetting", "BarcodeSetting(Unit is dot)", "条码设置(单位为点)"},
    {"grp1_TextSetting", "FontSetting(Unit is dot)", "文字设置(单位为点)"},
    {"Label1", "Left1:", "1_左边距:"},
    {"Label9", "Left1:", "1_左边距:"},
    {"Label2", "Top1:", "1_顶边距:"},
    {"Label10", "Top1:", "1_顶边距:"},
    {"Label3", "Width1:", "1_宽度:"},
    {"Label11", "Width1:", "1_宽度:"},
    {"Label4", "Height1:", "1_高度:"},
    {"Label12", "Height1:", "1_高度:"},
    {"Label5", "Left2:", "2_左边距:"},
    {"Label13", "Left2:", "2_左边距:"},
    {"Label6", "Top2:", "2_顶边距:"},
    {"Label14", "Top2:", "2_顶边距:"},
    {"Label7", "Width2:", "2_宽度:"},
    {"Label15", "Width2:", "2_宽度:"},
    {"Label8", "Height2:", "2_高度:"},
    {"Label16", "Height2:", "2_高度:"},
    {"Label21", "Left3:", nullptr},
    {"Label17", "Left3:", nullptr},
    {"Label22", "Top3:", nullptr},
    {"Label18", "Top3:", nullptr},
    {"Label27", "Width3:", nullptr},
    {"Label19", "Width3:", nullptr},
    {"Label28", "Height3:", nullptr},
    {"Label20", "Height3:", nullptr},
    {"Label23", "Tite:", "标题:"},
    {"Label26", "Printer setting:", "打印机设置:"},
    {"Label24", "Type name:", "字体:"},
    {"Label25", "Thickness bellow:", "密度:"},
    {"chk_ShowPrintDialog", "Show Print Dialog", "显示打印对话框"},
    {"BitBtn1", "OK", "确认"},
    {"btnLoadDefault", "Load default", "载入缺省"},
    {"BitBtn2", "Cancel", "取消"},
    {"grpPreview", "Preview (one strip as the printer receives it)", "预览(打印机收到的一排标签)"},
};

void setCaption(QWidget* w, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
}

} // namespace

const std::array<BoxValue, 24>& boxValues() {
    static const std::array<BoxValue, 24> values{{
        {"bEDleft1", "bUDleft1", "Label1", 1, 1000, 20},
        {"EDleft2", "bUDleft2", "Label5", 1, 1000, 145},
        {"EDleft3", "bUDleft3", "Label21", 1, 1000, 270},
        {"bEDtop1", "bUDtop1", "Label2", 1, 1000, 1},
        {"EDtop2", "bUDtop2", "Label6", 1, 1000, 1},
        {"EDtop3", "bUDtop3", "Label22", 1, 1000, 1},
        {"bEDwidth1", "bUDwidth1", "Label3", 1, 24, 1},
        {"EDwidth2", "bUDwidth2", "Label7", 1, 24, 1},
        {"EDwidth3", "bUDwidth3", "Label27", 1, 24, 1},
        {"bEDheight1", "bUDheight1", "Label4", 1, 999, 24},
        {"EDheight2", "bUDheight2", "Label8", 1, 999, 24},
        {"EDheight4", "bUDheight3", "Label28", 1, 999, 24},
        {"FedLeft1", "FUdLeft1", "Label9", 1, 1000, 20},
        {"FedLeft2", "FudLeft2", "Label13", 1, 1000, 145},
        {"FedLeft3", "FudLeft3", "Label17", 1, 1000, 270},
        {"fedtop1", "fudtop1", "Label10", 1, 1000, 8},
        {"fedtop2", "fudtop2", "Label14", 1, 1000, 8},
        {"fedtop3", "fudtop3", "Label18", 1, 1000, 8},
        {"fedWidth1", "fudWidth1", "Label11", 1, 1000, 1},
        {"fedWidth2", "fudWidth2", "Label15", 1, 1000, 1},
        {"fedWidth3", "fudWidth3", "Label19", 1, 1000, 1},
        {"fedheight1", "fudheight1", "Label12", 1, 999, 36},
        {"fedheight2", "fudheight2", "Label16", 1, 999, 36},
        {"fedheight3", "fudheight3", "Label20", 1, 999, 36},
    }};
    return values;
}

QString metricAliasOf(const QString& face) {
    if (face.trimmed().isEmpty())
        return {};
    // Fontconfig's aliases bind the faces they stand for strongly (the
    // metric-compatible Liberation, Tinos, Arimo ... for Times New Roman,
    // Arial ...), its last-resort fallbacks weakly.
    FcPattern* pattern = FcPatternCreate();
    const QByteArray name = face.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString alias;
    FcChar8* family = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) {
        const QString matched = QString::fromUtf8(reinterpret_cast<const char*>(family));
        FcValue value;
        FcValueBinding binding = FcValueBindingWeak;
        for (int i = 0;
             FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i)
            if (value.type == FcTypeString &&
                QString::fromUtf8(reinterpret_cast<const char*>(value.u.s))
                        .compare(matched, Qt::CaseInsensitive) == 0) {
                if (binding != FcValueBindingWeak &&
                    matched.compare(face, Qt::CaseInsensitive) != 0)
                    alias = matched;
                break;
            }
    }
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return alias;
}

QStringList installedScreenFonts() {
    QStringList names;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family))
            names << family;
    return sortedFontNames(names);
}

TBarSetting::TBarSetting(QWidget* parent, PreviewSource previewSource)
    : QDialog(parent), previewSource_(std::move(previewSource)) {
    setObjectName(QStringLiteral("BarSetting"));
    buildControls();
    setTabOrder();
    setDesignCaptions();
    filling_ = false;
}

TBarSetting::~TBarSetting() = default;

QGroupBox* TBarSetting::buildBoxGroup(const char* name, int first) {
    auto* group = new QGroupBox(TabSheet1);
    group->setObjectName(QLatin1String(name));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 3; ++col) {
            const int i = first + row * 3 + col;
            const BoxValue& v = boxValues()[size_t(i)];
            auto* label = new QLabel(group);
            label->setObjectName(QLatin1String(v.label));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto* spin = new QSpinBox(group);
            spin->setObjectName(QLatin1String(v.upDown));
            spin->setRange(v.min, v.max);
            spin->setSingleStep(1);
            spin->setWrapping(false);
            spin->setMinimumWidth(90);
            // The edit shows the up-down's position; only the arrows change it.
            auto* edit = spin->findChild<QLineEdit*>();
            edit->setObjectName(QLatin1String(v.edit));
            edit->setReadOnly(true);
            label->setBuddy(spin);
            grid->addWidget(label, row, col * 2);
            grid->addWidget(spin, row, col * 2 + 1);
            upDowns[size_t(i)] = spin;
            edits[size_t(i)] = edit;
            labels[size_t(i)] = label;
            connect(spin, &QSpinBox::valueChanged, this, [this] {
                if (!filling_)
                    updatePreview();
            });
        }
    }
    for (int col = 0; col < 3; ++col)
        grid->setColumnStretch(col * 2 + 1, 1);
    return group;
}

void TBarSetting::buildControls() {
    resize(934, 719);
    setSizeGripEnabled(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* top = new QHBoxLayout(GroupBox1);
    Label23 = new QLabel(GroupBox1);
    Label23->setObjectName(QStringLiteral("Label23"));
    edTitle = new QLineEdit(GroupBox1);
    edTitle->setObjectName(QStringLiteral("edTitle"));
    Label23->setBuddy(edTitle);
    chk_ShowPrintDialog = new QCheckBox(GroupBox1);
    chk_ShowPrintDialog->setObjectName(QStringLiteral("chk_ShowPrintDialog"));
    chk_ShowPrintDialog->setLayoutDirection(Qt::RightToLeft); // box right of its caption
    top->addWidget(Label23);
    top->addWidget(edTitle, 1);
    top->addSpacing(24);
    top->addWidget(chk_ShowPrintDialog);
    outer->addWidget(GroupBox1);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->tabBar()->hide();
    TabSheet1 = new QWidget(PageControl1);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* page = new QVBoxLayout(TabSheet1);

    grp1_PageSetting = new QGroupBox(TabSheet1);
    grp1_PageSetting->setObjectName(QStringLiteral("grp1_PageSetting"));
    auto* lists = new QHBoxLayout(grp1_PageSetting);
    auto pickList = [this](const char* labelName, QLabel*& label, const char* name,
                           QComboBox*& combo) {
        label = new QLabel(grp1_PageSetting);
        label->setObjectName(QLatin1String(labelName));
        combo = new QComboBox(grp1_PageSetting);
        combo->setObjectName(QLatin1String(name));
        combo->setEditable(false);
        label->setBuddy(combo);
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling_)
                updatePreview();
        });
    };
    pickList("Label26", Label26, "cbprinter", cbprinter);
    pickList("Label24", Label24, "cbbFontName", cbbFontName);
    pickList("Label25", Label25, "cbbFontbellow", cbbFontbellow);
    cbprinter->addItems(printerPortEntries());
    cbbFontbellow->addItems(fontWeightEntries());
    cbbFontName->setMinimumWidth(220);
    cbbFontbellow->setMinimumWidth(160);
    lists->addWidget(Label26);
    lists->addWidget(cbprinter);
    lblPrinterState = new QLabel(grp1_PageSetting);
    lblPrinterState->setObjectName(QStringLiteral("lblPrinterState"));
    lists->addWidget(lblPrinterState);
    lists->addSpacing(16);
    lists->addWidget(Label24);
    lists->addWidget(cbbFontName, 1);
    lblFontDrawn = new ElidedLabel(grp1_PageSetting);
    lblFontDrawn->setObjectName(QStringLiteral("lblFontDrawn"));
    lists->addWidget(lblFontDrawn, 1);
    connect(cbbFontName, &QComboBox::currentTextChanged, this, [this] { showDrawnFont(); });
    lists->addSpacing(16);
    lists->addWidget(Label25);
    lists->addWidget(cbbFontbellow);

    grp1_BarCodeSetting = buildBoxGroup("grp1_BarCodeSetting", 0);
    grp1_TextSetting = buildBoxGroup("grp1_TextSetting", 12);

    grpPreview = new QGroupBox(TabSheet1);
    grpPreview->setObjectName(QStringLiteral("grpPreview"));
    auto* previewBox = new QVBoxLayout(grpPreview);
    StripPreview = new TStripPreview(grpPreview);
    previewBox->addWidget(StripPreview);

    page->addWidget(grp1_PageSetting);
    page->addWidget(grp1_BarCodeSetting);
    page->addWidget(grp1_TextSetting);
    page->addWidget(grpPreview);
    page->addStretch(1);
    PageControl1->addTab(TabSheet1, QString());
    outer->addWidget(PageControl1, 1);

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* buttons = new QHBoxLayout(Panel3);
    auto button = [this](const char* name) {
        auto* b = new QPushButton(Panel3);
        b->setObjectName(QLatin1String(name));
        b->setMinimumWidth(110);
        // No default button: Enter presses only the button that has the focus.
        b->setDefault(false);
        return b;
    };
    BitBtn1 = button("BitBtn1");
    btnLoadDefault = button("btnLoadDefault");
    BitBtn2 = button("BitBtn2");
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addSpacing(24);
    buttons->addWidget(btnLoadDefault);
    buttons->addSpacing(24);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    outer->addWidget(Panel3);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    outer->addWidget(StatusBar1);

    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        BitBtn1Click();
        accept();
    });
    connect(btnLoadDefault, &QPushButton::clicked, this, [this] { btnLoadDefaultClick(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TBarSetting::setTabOrder() {
    std::vector<QWidget*> order{BitBtn1,     btnLoadDefault,      BitBtn2,
                                edTitle,     chk_ShowPrintDialog, cbprinter,
                                cbbFontName, cbbFontbellow};
    order.insert(order.end(), upDowns.begin(), upDowns.end());
    for (size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    // The form sees every key before the focused control (Enter moves on).
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

QSpinBox* TBarSetting::upDown(const char* name) const {
    for (size_t i = 0; i < boxValues().size(); ++i)
        if (qstrcmp(boxValues()[i].upDown, name) == 0)
            return upDowns[i];
    return nullptr;
}

QLineEdit* TBarSetting::edit(const char* name) const {
    for (size_t i = 0; i < boxValues().size(); ++i)
        if (qstrcmp(boxValues()[i].edit, name) == 0)
            return edits[i];
    return nullptr;
}

void TBarSetting::setDesignCaptions() {
    setWindowTitle(QStringLiteral("BarSetting"));
    for (const Caption& c : kCaptions)
        if (auto* w = findChild<QWidget*>(QLatin1String(c.control)))
            setCaption(w, u8(c.english));
}

void TBarSetting::ApplyLanguage(int codePage) {
    // Only ever switches to Chinese; any other code page keeps the captions.
    if (codePage != 936)
        return;
    setWindowTitle(u8("条码打印设置"));
    for (const Caption& c : kCaptions)
        if (c.chinese)
            if (auto* w = findChild<QWidget*>(QLatin1String(c.control)))
                setCaption(w, u8(c.chinese));
    StripPreview->setCodePage(codePage);
}

void TBarSetting::setVisible(bool visible) {
    if (visible && !isVisible()) {
        FormShow();
        if (!shownOnce_) {
            shownOnce_ = true;
            // Centred on the screen the first time; later openings keep the
            // last position.
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                QRect frame = frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                move(frame.topLeft());
            }
            BitBtn1->setFocus();
        }
    }
    QDialog::setVisible(visible);
}

void TBarSetting::showDrawnFont() {
    const QString face = cbbFontName->currentText();
    const QString drawn = metricAliasOf(face);
    QString text;
    if (!drawn.isEmpty())
        for (const Caption& c : kCaptions)
            if (qstrcmp(c.control, "fontDrawn") == 0)
                text = u8(CodePage == 936 && c.chinese ? c.chinese : c.english).arg(drawn);
    lblFontDrawn->setText(text);
}

void TBarSetting::setPrinterState(const QString& text) {
    lblPrinterState->setText(text);
}

void TBarSetting::FormShow() {
    filling_ = true;
    ApplyLanguage(CodePage);
    // A face the system draws with a metric-compatible alias counts as
    // installed: it stays chosen, and the dialog says what is drawn.
    QStringList fonts = installedScreenFonts();
    if (pickListIndex(fonts, layout_.font.face) < 0 && !metricAliasOf(layout_.font.face).isEmpty())
        fonts = sortedFontNames(fonts << layout_.font.face);
    cbbFontName->clear();
    cbbFontName->addItems(fonts);
    cbbFontName->setCurrentIndex(pickListIndex(fonts, layout_.font.face));
    cbbFontbellow->setCurrentIndex(pickListIndex(fontWeightEntries(), layout_.font.weightText));
    for (size_t i = 0; i < boxValues().size(); ++i) {
        const BoxValue& v = boxValues()[i];
        upDowns[i]->setValue(upDownPosition(kBoxKeys[i].of(layout_), v.min, v.max));
    }
    edTitle->setText(layout_.options.shopTitle);
    cbprinter->setCurrentIndex(pickListIndex(printerPortEntries(), layout_.port));
    chk_ShowPrintDialog->setChecked(layout_.options.showPrintDialog);
    filling_ = false;
    samples_ = previewSource_ ? previewSource_() : PreviewSamples{sampleRow({}), {}};
    updatePreview();
}

TLabelLayout TBarSetting::shownLayout() const {
    TLabelLayout layout = layout_;
    for (size_t i = 0; i < boxValues().size(); ++i)
        kBoxKeys[i].of(layout) = upDowns[i]->value();
    layout.font = LabelFont::of(cbbFontName->currentText(), cbbFontbellow->currentText());
    layout.options.shopTitle = edTitle->text();
    layout.port = cbprinter->currentText();
    layout.options.showPrintDialog = chk_ShowPrintDialog->isChecked();
    return layout;
}

void TBarSetting::BitBtn1Click() {
    layout_ = shownLayout();
}

void TBarSetting::btnLoadDefaultClick() {
    filling_ = true;
    for (size_t i = 0; i < boxValues().size(); ++i)
        upDowns[i]->setValue(boxValues()[i].preset);
    filling_ = false;
    updatePreview();
}

void TBarSetting::updatePreview() {
    StripPreview->display(previewer_.render(shownLayout(), samples_), previewer_.options());
}

bool TBarSetting::eventFilter(QObject* watched, QEvent* event) {
    // The up-downs step by 1 with their arrows only: the mouse wheel and
    // PageUp/PageDown (steps of 10) leave them as they are.
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool onUpDown = widget && (qobject_cast<QAbstractSpinBox*>(widget) ||
                                     qobject_cast<QAbstractSpinBox*>(widget->parentWidget()));
    if (onUpDown && event->type() == QEvent::Wheel)
        return true;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (onUpDown && (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown))
            return true;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter moves to the next control, as Tab does; a focused button
        // keeps it and is pressed.
        if (enter && !qobject_cast<QPushButton*>(watched)) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
