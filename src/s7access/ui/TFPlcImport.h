#pragma once

#include "plcsource/PlcImport.h"
#include "plcsource/PlcSource.h"
#include "plcsource/PlcTagTable.h"
#include "s7access/S7Protocol.h"

#include <QDialog>
#include <vector>

struct AppContext;
class FlatButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class S7RuleTableModel;
class TitlePanel;

// "Import PLC data": rules from the members of the PLC program's data blocks and from the tags
// of its tag tables. The user chooses the files, ticks members in a tree of blocks (members
// that no rule can carry are greyed with the reason), picks the list and the connection, and
// sees the rows and PROFIBUS positions the rules will take. OK adds them to the editor's list
// as one undo step; nothing is saved until the editor's OK.
class TFPlcImport : public QDialog
{
    Q_OBJECT
public:
    TFPlcImport(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent = nullptr);
    ~TFPlcImport() override;

    void Set_Lang();
    // Starts with the list shown in the editor and the connection of its selected row (when it
    // names a PLC).
    void prefill(S7Rule::List list, const S7Rule &row, const PositionLimits &limits);
    // Reads the files (sources and tag tables by their extension) into the tree. Errors go to
    // the general error report and leave the tree as it was.
    void loadFiles(const QStringList &files);

    QTreeWidget *tree() const { return m_tree; }
    // The leaf of a member by its mnemonic (DB100.Motor.Speed, or a tag's name); null if none.
    QTreeWidgetItem *memberItem(const QString &mnemonic) const;

private:
    void Btn_FilesClick();
    void Btn_OKClick();
    void updatePreview();
    PlcImportSettings settings() const;
    // The ticked items with the settings as they stand; `needDb` when a ticked block lacks a number.
    std::vector<PlcImportItem> tickedItems(bool *needDb) const;
    void guarded(const std::function<void()> &action);

    AppContext &m_context;
    S7RuleTableModel &m_read;
    S7RuleTableModel &m_write;
    PositionLimits m_limits;
    TitlePanel *m_title;
    FlatButton *m_files;
    QLabel *m_fileNames;
    QTreeWidget *m_tree;
    QLabel *m_listLabel, *m_addressLabel, *m_portLabel, *m_typeLabel, *m_rackLabel, *m_slotLabel, *m_pollLabel,
        *m_dbLabel;
    QComboBox *m_list;
    QLineEdit *m_address;
    QLineEdit *m_port;
    QComboBox *m_type;
    QLineEdit *m_rack;
    QLineEdit *m_slot;
    QLineEdit *m_poll;
    QLineEdit *m_db;
    QLabel *m_preview;
    FlatButton *m_ok;
    FlatButton *m_cancel;

    QStringList m_fileList;
    std::vector<PlcBlockLayout> m_blocks;
    std::vector<PlcTag> m_tags;
    bool m_updating = false;
};
