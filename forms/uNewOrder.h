#pragma once

#include "forms/FormDialog.h"

#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;
class Prompts;
class RecordSet;
class TDMdata;
class TFSrchDlg;

// FNewOrder: the production orders for chips of label size 30X10, and the
// entry of a new one (a chip type picked through the search dialog and a
// quantity). Closing it hides it; the main window keeps one for the run.
class TFNewOrder : public FormDialog {
    Q_OBJECT
public:
    TFNewOrder(TDMdata& dm, Prompts& prompts, QWidget* parent = nullptr);

    // Shows the manager modally until it is closed.
    int showModal();

    // When set, showModal shows the manager without a local event loop and
    // hands it to this function, which plays the operator's part (the manager
    // is closed if it is still open afterwards). For tests.
    static inline std::function<void(TFNewOrder&)> modalDriver;

    // Event handlers.
    void FormShow() override;
    void FormClose() override;
    void BitBtn1Click();
    void SpeedButton1Click();
    void btnSaveDataClick();

    // The search dialog of the chip-type choice; null until the first choice.
    TFSrchDlg* searchDialog() const { return FSrchDlg; }

    // The values remembered from the last chip-type choice.
    const QString& rememberedICType() const { return FICType; }
    const QString& rememberedTypeDesc() const { return FTypeDesc; }
    const QString& rememberedICVer() const { return FICVer; }
    const QString& rememberedVerDesc() const { return FVerDesc; }
    const QString& rememberedRemark() const { return FRemark; }

    // Controls.
    QWidget* Panel1 = nullptr;
    QWidget* Panel3 = nullptr;
    QWidget* Panel4 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QTableView* DBGrid1 = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edICType = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLineEdit* edICTypeDesc = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edAmount = nullptr;
    QPushButton* btnSaveData = nullptr;

    // The order list and the chip types offered.
    RecordSet* adoQryOrder = nullptr;
    RecordSet* adoQryICType = nullptr;

private:
    void buildControls();
    void openOrders();

    TDMdata& dm_;
    Prompts& prompts_;
    TFSrchDlg* FSrchDlg = nullptr;
    QString FICType, FTypeDesc, FICVer, FVerDesc, FRemark;
};
