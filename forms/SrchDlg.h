#pragma once

#include "forms/FormDialog.h"

#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QToolButton;
class Prompts;
class RecordSet;

// FSrchDlg: picks one record of an open record set. The caller attaches the
// set, names the key to pre-select and shows the dialog; after OK the chosen
// record is the set's current record and its first field is the key.
class TFSrchDlg : public FormDialog {
    Q_OBJECT
public:
    explicit TFSrchDlg(Prompts& prompts, QWidget* parent = nullptr);

    // For the caller.
    void AttachDataSet(RecordSet* dataSet);
    void LocateKey(const QString& key);
    // Shows the dialog modally; QDialog::Accepted for OK.
    int showModal();
    QString GetSelectedKey() const;

    // When set, showModal shows the dialog without a local event loop and
    // hands it to this function, which plays the operator's part (the dialog
    // is cancelled if it is still open afterwards). For tests.
    static inline std::function<void(TFSrchDlg&)> modalDriver;

    RecordSet* dataSet() const { return dataSet_; }
    // Whether the search filter is on, and the text it selects by.
    bool searchFilterOn() const;
    const QString& searchText() const { return searchText_; }
    // The entries of the search box's list, top first.
    QStringList history() const;

    // Event handlers.
    void FormCreate();
    void FormShow() override;
    void FormClose() override;
    void SearchButtonClick();
    void SearchEdKeyPress(int key);
    void DBGrid1DblClick();
    void OKBtnClick();

    // Controls.
    QLabel* Label2 = nullptr;
    QComboBox* SearchEd = nullptr;
    QToolButton* SearchButton = nullptr;
    QTableView* DBGrid1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool SearchFilterRecord(const RecordSet& dataSet, int record) const;
    void LoadSearchHistory();
    void SaveSearchHistory();
    void accept_();
    void syncSelection();

    Prompts& prompts_;
    RecordSet* dataSet_ = nullptr;
    QString searchText_;
    QString searchUpper_;
};
