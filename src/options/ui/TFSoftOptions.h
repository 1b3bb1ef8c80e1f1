#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>

struct AppContext;
class TitlePanel;
class FlatButton;
class QCheckBox;
class QLabel;
class QTabWidget;

// The options window: the user-interface language, the internet options with the version
// check, and the table behaviours of the editor windows. A language picked here applies to
// every window at once; the other choices, and the language as the stored setting, only on OK.
class TFSoftOptions : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kEntriesPerPage = 6;
    static constexpr int kFlagSize = 48;

    explicit TFSoftOptions(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();

    // Asks the maker's web server whether a newer configurator exists; every failure of the
    // exchange is silent and counts as no.
    bool Check_Version();

    const QStringList &languageFiles() const { return SL_Languages; }
    int shownPage() const { return Show_Page; }
    const QString &languageInUse() const { return Language_In_Use; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class CheckResult { None, NewerVersion, NoUpdate, Unreachable };

    void FormShow();
    void Create_Lang_List();
    void Update_Lang_Page(int Num_Page);
    void Btn_NextClick(bool next);
    void LangClick(int entry);
    void Update_CheckBox();
    void Btn_OKClick();
    void Btn_Check_UpdateClick();
    void LL_Check_UpdateLinkClick(const QString &link);

    int pageCount() const;
    void showLanguageLabels();
    void showCheckResult();
    QWidget *buildLanguageTab();
    QWidget *buildConnectionTab();
    QWidget *buildSettingsTab();
    void guarded(const std::function<void()> &action);

    AppContext &m_context;
    TitlePanel *m_title;
    QTabWidget *m_pcOptions;
    QWidget *m_tsLanguage = nullptr;
    QWidget *m_tsConOptions = nullptr;
    QWidget *m_tsSoftSettings = nullptr;
    QLabel *m_lSelLang = nullptr;
    QLabel *m_lPageLang = nullptr;
    std::array<QLabel *, kEntriesPerPage> m_flags{};
    std::array<QLabel *, kEntriesPerPage> m_names{};
    FlatButton *m_btnPrev = nullptr;
    FlatButton *m_btnNext = nullptr;
    QCheckBox *m_cbEnCon = nullptr;
    QCheckBox *m_cbUpdate = nullptr;
    FlatButton *m_btnCheckUpdate = nullptr;
    QLabel *m_llCheckUpdate = nullptr;
    QCheckBox *m_cbJumpTable = nullptr;
    QCheckBox *m_cbAutoSize = nullptr;
    FlatButton *m_btnOk = nullptr;
    FlatButton *m_btnCancel = nullptr;

    QStringList SL_Languages; // file names of LANGUAGE/*.lng, sorted without regard to case
    int Show_Page = 1;        // counted from 1
    QString Language_In_Use;  // the language the window treats as current
    CheckResult m_lastCheck = CheckResult::None;
};
