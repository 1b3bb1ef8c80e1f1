#pragma once

#include "s7access/S7Protocol.h"
#include "s7access/S7Validation.h"

#include <QDialog>

struct AppContext;
class FlatButton;
class PlcCheckButton;
class ProfibusMapPage;
class QTabWidget;
class S7GridView;
class S7RuleTableModel;
class TFPlcImport;
class TitlePanel;
struct HistoryVersion;

// The access-list editor: the read and write rules of the open project in two grids on two
// pages. Each opening reloads the project's files; OK checks the lists and saves them.
class TFS7_Protocol_Set_Access : public QDialog
{
    Q_OBJECT
public:
    explicit TFS7_Protocol_Set_Access(AppContext &context, QWidget *parent = nullptr);
    ~TFS7_Protocol_Set_Access() override;

    void Set_Lang();

    S7RuleTableModel &readModel() const { return *m_readModel; }
    S7RuleTableModel &writeModel() const { return *m_writeModel; }
    const PositionLimits &limits() const { return m_limits; }
    // The "Import PLC data" dialog, created at its first opening.
    TFPlcImport *importDialog() const { return m_import; }
    // Whether either list differs from what the last opening loaded (undoing back counts as
    // no change).
    bool hasUnsavedChanges() const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormShow();
    // Validate, ask about gaps, save: each step answers whether OK goes on.
    void Btn_OKClick();
    bool askToCloseGaps();
    bool validateLists();
    bool saveLists();
    void Btn_CancelClick();
    // True when there is nothing to lose or the user agrees to discard it.
    bool confirmDiscard();
    void Btn_DelRowClick();
    void Btn_InsRowClick();
    void Btn_CopyRowClick();
    void Btn_PasteRowClick();
    void Btn_ImportPlcClick();
    void copyCells(S7GridView &view);
    // History...: the kept versions of S7_Protocol.xml, compared with or restored into the lists.
    void Btn_HistoryClick();
    void compareWithVersion(const HistoryVersion &version);
    void restoreVersion(const HistoryVersion &version);
    void pasteCells(S7GridView &view);

    bool readPageShown() const;
    S7GridView &shownGrid() const;
    // "Error row 3 (S7comm Read, Mnemonic)" for messages.
    QString cellName(S7Rule::List list, int row, S7Rule::Field field) const;
    void fitColumns(S7GridView &view);
    // Runs an action through the general error report.
    void guarded(const std::function<void()> &action);

    AppContext &m_context;
    TitlePanel *m_title;
    QTabWidget *m_pages;
    QWidget *m_readPage;
    QWidget *m_writePage;
    ProfibusMapPage *m_mapPage;
    S7RuleTableModel *m_readModel;
    S7RuleTableModel *m_writeModel;
    S7GridView *m_readView;
    S7GridView *m_writeView;
    FlatButton *m_ok;
    FlatButton *m_cancel;
    FlatButton *m_delRow;
    FlatButton *m_insRow;
    FlatButton *m_copyRow;
    FlatButton *m_pasteRow;
    FlatButton *m_history;
    PlcCheckButton *m_plcCheck;
    FlatButton *m_importPlc;
    TFPlcImport *m_import = nullptr;

    PositionLimits m_limits{0, 0};
    bool m_loadFailed = false; // the lists may hold only part of the file
    bool Do_Copy_In_Read = false;
    bool Do_Copy_In_Write = false;
    IpPortTable array_ip_Port;
};
