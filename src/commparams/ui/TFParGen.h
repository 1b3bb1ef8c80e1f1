#pragma once

#include "commparams/CommParams.h"

#include <QDialog>
#include <array>

struct AppContext;
class CategoryPanel;
class FlatButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class TitlePanel;

// Edits the project's communication parameters (ParGen.xml): the converter's address, mask
// and gateway on the S7comm side and its PROFIBUS station address and byte counts. Each
// opening reloads the file; OK validates every field and writes the file; Cancel writes nothing.
class TFParGen : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 460;
    static constexpr int kClientHeight = 700;

    explicit TFParGen(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();
    // Fills the fields from ParGen.xml (defaults where it or an element is missing). Throws
    // XmlError when the file is not well-formed; the fields then keep what they held.
    void FormShow();
    // Shows the message of the first field out of range; true when all are valid.
    bool Controllo_Dati();
    void Btn_OKClick();

    // The fields' texts and the gateway switch as they stand.
    CommParams Current_Params() const;
    QLineEdit *field(CommParams::Field f) const { return m_edits[f]; }
    // Whether the fields differ from what FormShow loaded.
    bool hasUnsavedChanges() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // After a fault: the field's category opens, the field scrolls into view and takes the focus.
    void showField(CommParams::Field f);
    void buildS7Category();
    void buildProfibusCategory();
    bool KeyPress(QLineEdit *edit, QKeyEvent *event);
    bool FormMouseWheel(QWheelEvent *event);
    void Btn_CancelClick();
    // History...: the kept versions of ParGen.xml, compared with or restored into the fields.
    void Btn_HistoryClick();
    void Set_Params(const CommParams &params);
    // True when there is nothing to lose or the user agrees to discard it.
    bool confirmDiscard();

    AppContext &m_context;
    TitlePanel *m_title;
    QScrollArea *m_cpg;
    CategoryPanel *m_cpS7;
    CategoryPanel *m_cpProfibus;
    std::array<QLineEdit *, CommParams::FieldCount> m_edits{};
    QCheckBox *m_enGat;
    QLabel *m_lIp;
    QLabel *m_lSm;
    QLabel *m_lIdDevice;
    QLabel *m_lBaudrate;
    QComboBox *m_baudrate;
    QLabel *m_lNByteIn;
    QLabel *m_lNByteOut;
    FlatButton *m_ok;
    FlatButton *m_cancel;
    FlatButton *m_history;
    int m_wheelRemainder = 0;
    CommParams m_loaded;
};
