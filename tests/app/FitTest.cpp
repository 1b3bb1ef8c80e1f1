// Every window in every shipped language, offscreen at its own size: no text wider than its
// control, and no text that a window shows left out of a language file.
#include "app/ui/AppWindows.h"
#include "app/ui/TFAbout.h"
#include "app/ui/TFBrivanteFirmWare.h"
#include "app/ui/TFNew_Project.h"
#include "app/ui/TFOpenConf.h"
#include "commparams/ui/TFParGen.h"
#include "history/ui/HistoryDialog.h"
#include "options/ui/TFSoftOptions.h"
#include "platform/PlcCheckService.h"
#include "platform/PlcScanService.h"
#include "s7access/PlcTestRules.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/S7FindBar.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFPlcImport.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/TestContext.h"
#include "support/TestParGen.h"
#include "texts/LanguageFile.h"
#include "texts/TextId.h"
#include "update/ui/TFBoot.h"
#include "widgets/TextFit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <utility>

namespace {

// The shipped languages of the build; BRIVANT_FIT_LANGUAGES names another folder to try.
QString shippedDir()
{
    const QString other = qEnvironmentVariable("BRIVANT_FIT_LANGUAGES");
    return other.isEmpty() ? QStringLiteral(BRIVANT_BIN_DIR "/LANGUAGE") : other;
}

QStringList shippedLanguages()
{
    QStringList names;
    for (const QString &file : QDir(shippedDir()).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name))
        names.append(file.chopped(4));
    return names;
}

QList<QWidget *> windowsOf(const AppWindows &w)
{
    return {w.main.get(), w.about.get(), w.newProject.get(), w.openConf.get(),
            w.options.get(), w.parGen.get(), w.boot.get(), w.access.get()};
}

// The client sizes at which the windows open (0: the height follows the contents).
QSize openingSize(const AppWindows &w, const QWidget *window)
{
    if (window == w.main.get())
        return {694, 440};
    if (window == w.about.get())
        return {425, 148};
    if (window == w.newProject.get())
        return {331, 162};
    if (window == w.openConf.get())
        return {377, 351};
    if (window == w.options.get())
        return {520, 420};
    if (window == w.parGen.get())
        return {460, 700};
    if (window == w.boot.get())
        return {449, 0};
    if (window == w.access.get())
        return {1350, 0};
    if (window->objectName() == QLatin1String("PlcCheckResults"))
        return {900, 320};
    if (window->objectName() == QLatin1String("TFPlcImport"))
        return {960, 620};
    return {0, 0}; // the PLC check's progress takes the size of its text
}

QString nameOf(const QWidget *widget)
{
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : widget->objectName();
}

// A PLC check that connects to nothing: the test says when it makes progress and when it ends.
class SteppedPlcCheck : public PlcCheckService
{
public:
    void start(std::vector<PlcCheckItem> items, const PlcCheckLimits &, Progress progress, Finished finished) override
    {
        m_items = std::move(items);
        m_progress = std::move(progress);
        m_finished = std::move(finished);
    }
    void cancel() override { m_finished = nullptr; }
    bool running() const override { return bool(m_finished); }

    void progress() { m_progress(1, int(m_items.size())); }
    // The first rule read, the others failed.
    void finish()
    {
        std::vector<PlcCheckResult> results;
        for (const PlcCheckItem &item : m_items)
            results.push_back(results.empty() ? Plc_Check_Success(item, PlcValue{PlcValue::Kind::Signed, -12345})
                                              : Plc_Check_Failure(item, QStringLiteral("connection refused")));
        std::exchange(m_finished, nullptr)(results, false);
    }

private:
    std::vector<PlcCheckItem> m_items;
    Progress m_progress;
    Finished m_finished;
};

// A scan that connects to nothing: the test says when it makes progress and when it ends,
// with one PLC found.
class SteppedPlcScan : public PlcScanService
{
public:
    void start(std::uint32_t first, std::uint32_t, std::uint16_t port, int, Progress progress, Finished finished) override
    {
        m_first = first;
        m_port = port;
        m_progress = std::move(progress);
        m_finished = std::move(finished);
    }
    void cancel() override { m_finished = nullptr; }
    bool running() const override { return bool(m_finished); }

    void progress() { m_progress(100, 254, 1); }
    void finish()
    {
        FoundPlc plc;
        plc.plc = {m_first, m_port, 0, 2};
        plc.identity.orderNumber = QStringLiteral("6ES7 315-2EH14-0AB0");
        plc.identity.moduleTypeName = QStringLiteral("CPU 315-2 PN/DP");
        plc.identity.moduleName = QStringLiteral("Filling line 3 west");
        plc.identity.firmware = QStringLiteral("V3.2.6");
        plc.identity.mode = PlcMode::Run;
        std::exchange(m_finished, nullptr)({plc}, false);
    }

private:
    std::uint32_t m_first = 0;
    std::uint16_t m_port = 0;
    Progress m_progress;
    Finished m_finished;
};

// Sets the window to the size it opens at (it has grown when an earlier language did not fit),
// calls visit(window, window), then visit(window, control) once for each control visible in the
// window, on every page of its tab controls in turn.
template <class Visit> void visitPages(QWidget *window, QSize opening, Visit visit)
{
    if (opening.width() > 0)
        window->resize(opening.width(), opening.height() > 0 ? opening.height() : window->height());
    std::set<QWidget *> seen;
    const auto collect = [&] {
        QApplication::processEvents();
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (control->isVisibleTo(window) && control->window() == window && seen.insert(control).second)
                visit(window, control);
        }
    };
    visit(window, window);
    collect();
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            collect();
        }
        tabs->setCurrentIndex(current);
    }
}

// The parts of the access-list editor that open on demand: the find bar empty, with no match,
// with matches and away from them; the map's list of rules it cannot place; the PLC check's
// progress and result windows, with a rule after the list's end and a row it does not send; and
// the import dialog with a source loaded, nothing ticked and then everything ticked; and Find PLCs
// as it opens, with a range typed, while it scans and with a PLC found.
template <class Visit>
void visitAccessExtras(const AppWindows &windows, SteppedPlcCheck &plc, SteppedPlcScan &scanner, FakeModalRunner &modal,
                       Visit visit)
{
    auto *editor = static_cast<TFS7_Protocol_Set_Access *>(windows.access.get());
    auto *find = editor->findChild<S7FindBar *>();
    auto *edit = editor->findChild<QLineEdit *>(QStringLiteral("E_Find"));
    ASSERT_TRUE(find && edit);
    find->openBar();
    for (const QString &text : {QString(), QStringLiteral("no such cell"), QStringLiteral("127.0.0.1")}) {
        edit->setText(text);
        visitPages(editor, openingSize(windows, editor), visit);
    }
    auto *readGrid = editor->findChild<QAbstractItemView *>(QStringLiteral("ACG_S7_Read"));
    ASSERT_TRUE(readGrid);
    readGrid->setCurrentIndex(readGrid->model()->index(200, 0));
    visitPages(editor, openingSize(windows, editor), visit);
    find->closeBar();

    S7Rule late = Loopback_Rule(102, "Word", "DB", 1, 0);
    late.Position.clear();
    editor->readModel().setRowCells(3, late.cells(S7Rule::List::Read));
    S7Rule addressOnly;
    addressOnly.PLC_Address = QStringLiteral("127.0.0.1");
    addressOnly.PLC_Port = QStringLiteral("102");
    editor->writeModel().setRowCells(1, addressOnly.cells(S7Rule::List::Write));
    visitPages(editor, openingSize(windows, editor), visit);

    auto *check = editor->findChild<QPushButton *>(QStringLiteral("Btn_CheckPlcs"));
    ASSERT_TRUE(check && check->isVisible());
    check->click();
    auto *progress = editor->findChild<QProgressDialog *>(QStringLiteral("PD_CheckPlcs"));
    ASSERT_TRUE(progress && progress->isVisible());
    plc.progress();
    visitPages(progress, openingSize(windows, progress), visit);
    plc.finish();
    auto *results = editor->findChild<QDialog *>(QStringLiteral("PlcCheckResults"));
    ASSERT_TRUE(results && results->isVisible());
    visitPages(results, openingSize(windows, results), visit);
    results->hide();

    // The map page while a report is written: its progress, Cancel and the running text, as
    // the page shows them until the report's thread has finished.
    auto *cancel = editor->findChild<QPushButton *>(QStringLiteral("Btn_ReportCancel"));
    auto *bar = editor->findChild<QProgressBar *>(QStringLiteral("PB_Report"));
    auto *label = editor->findChild<QLabel *>(QStringLiteral("L_Report"));
    ASSERT_TRUE(cancel && bar && label);
    const QString before = label->text();
    cancel->show();
    bar->show();
    label->setText(windows.context.text(TextId::Report_Writing));
    visitPages(editor, openingSize(windows, editor), visit);
    label->setText(windows.context.text(TextId::Report_Cancelled));
    visitPages(editor, openingSize(windows, editor), visit);
    cancel->hide();
    bar->hide();
    label->setText(before);

    modal.expect([&](QDialog &d) {
        auto &dialog = static_cast<TFPlcImport &>(d);
        visitPages(&dialog, openingSize(windows, &dialog), visit);
        dialog.loadFiles({QStringLiteral(BRIVANT_TEST_DATA_DIR "/plcsource/tank.db")});
        visitPages(&dialog, openingSize(windows, &dialog), visit);
        dialog.tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        visitPages(&dialog, openingSize(windows, &dialog), visit);
    });
    auto *import = editor->findChild<QPushButton *>(QStringLiteral("Btn_ImportPlc"));
    ASSERT_TRUE(import && import->isVisible());
    import->click();

    // Find PLCs as it opens for the current row, with a range typed, while it scans and with a
    // PLC found.
    auto *findPlcs = editor->findChild<QPushButton *>(QStringLiteral("Btn_FindPlcs"));
    ASSERT_TRUE(findPlcs && findPlcs->isVisible());
    findPlcs->click();
    auto *scan = editor->findChild<QDialog *>(QStringLiteral("FindPlcs"));
    ASSERT_TRUE(scan && scan->isVisible());
    visitPages(scan, openingSize(windows, scan), visit);
    for (const auto &[name, text] : {std::pair{"E_ScanFirst", "127.0.0.1"}, {"E_ScanLast", "127.0.0.254"}, {"E_ScanPort", "102"}}) {
        auto *field = scan->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_TRUE(field) << name;
        field->setText(QLatin1String(text));
    }
    visitPages(scan, openingSize(windows, scan), visit);
    auto *startScan = scan->findChild<QPushButton *>(QStringLiteral("Btn_ScanFind"));
    ASSERT_TRUE(startScan);
    startScan->click();
    ASSERT_TRUE(scanner.running());
    scanner.progress();
    visitPages(scan, openingSize(windows, scan), visit);
    scanner.finish();
    QApplication::processEvents();
    visitPages(scan, openingSize(windows, scan), visit);
    scan->hide();
}

// Shows each window at its own size and visits what it shows (see visitPages), the editor's
// parts that open on demand too.
template <class Visit>
void visitShownControls(const AppWindows &windows, SteppedPlcCheck &plc, SteppedPlcScan &scanner, FakeModalRunner &modal,
                        Visit visit)
{
    for (QWidget *window : windowsOf(windows)) {
        window->show();
        QApplication::processEvents();
        visitPages(window, openingSize(windows, window), visit);
        if (window == windows.access.get())
            visitAccessExtras(windows, plc, scanner, modal, visit);
        // History... of the two windows that have it, with the versions of the fixture.
        if (window == windows.access.get() || window == windows.parGen.get()) {
            HistoryDialog history(windows.context, window == windows.parGen.get() ? QStringLiteral("ParGen.xml")
                                                                                    : QStringLiteral("S7_Protocol.xml"),
                                  {}, {}, window);
            history.Load_Versions();
            history.show();
            QApplication::processEvents();
            visitPages(&history, {720, 360}, visit);
            history.hide();
        }
        window->hide();
        QApplication::processEvents();
    }
}

// The texts a control shows, an empty edit field's placeholder too.
QList<ShownText> textsOf(const QWidget *control)
{
    QList<ShownText> texts = Shown_Texts(control);
    const auto *edit = qobject_cast<const QLineEdit *>(control);
    if (edit && edit->text().isEmpty() && !edit->placeholderText().isEmpty()) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QMargins margins = edit->textMargins();
        const QRect field = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).marginsRemoved(margins);
        // The edit keeps two pixels clear on each side of its text.
        texts.append({edit->placeholderText(), QStringLiteral("placeholder"), field, field.width() - 4,
                      edit->fontMetrics().horizontalAdvance(edit->placeholderText()), edit->toolTip()});
    }
    return texts;
}

bool showsText(const QWidget *control)
{
    return !Shown_Texts(control).isEmpty();
}

// Controls placed at fixed positions (the main window): inside their parent, clear of each
// other, and inside the frame they start in.
QStringList placementFaults(const QWidget *control)
{
    QStringList faults;
    const QWidget *parent = control->parentWidget();
    if (!parent || parent->layout() || !showsText(control))
        return faults;
    const QRect box = control->geometry();
    if (!parent->rect().contains(box))
        faults << QStringLiteral("reaches past %1 (%2,%3 %4x%5 in %6x%7)").arg(nameOf(parent)).arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height()).arg(parent->width()).arg(parent->height());
    for (const QWidget *sibling : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (sibling == control || !sibling->isVisible())
            continue;
        const auto *frame = qobject_cast<const QFrame *>(sibling);
        if (frame && frame->frameShape() == QFrame::Box && frame->geometry().contains(box.topLeft())
            && !frame->geometry().adjusted(1, 1, -1, -1).contains(box))
            faults << QStringLiteral("reaches past the frame %1").arg(nameOf(sibling));
        if (showsText(sibling) && sibling->geometry().intersects(box) && control < sibling)
            faults << QStringLiteral("overlaps %1").arg(nameOf(sibling));
    }
    return faults;
}

// The indices whose text is `text` or a part of it, for the report.
QString indicesOf(const TextTable &table, const QString &text)
{
    QStringList exact;
    QStringList parts;
    for (int i = 0; i < table.Text_Count(); ++i) {
        const QString entry = table.text(i);
        if (entry.trimmed().isEmpty())
            continue;
        if (entry == text)
            exact << QString::number(i);
        else if (entry.trimmed().size() > 2 && text.contains(entry.trimmed()))
            parts << QString::number(i);
    }
    return !exact.isEmpty() ? exact.join(u'/') : parts.isEmpty() ? QStringLiteral("-") : parts.join(u'+');
}

class FitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(shippedDir()).exists(QStringLiteral("English.lng"))) << "build brivant_languages";
        // Byte counts that admit the rules' positions: the PLC check sends only rules that validate.
        tc.workspace.mkdir(QStringLiteral("PROJECTS/Plant A/bin"));
        Write_Test_ParGen(tc.workspace.file(QStringLiteral("PROJECTS/Plant A/ParGen.xml")), QStringLiteral("16"),
                          QStringLiteral("8"));
        tc.context.workspace.openProject(QStringLiteral("Plant A"));
        // Rules for the find bar to find and the PLC check to check.
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        read[0] = Loopback_Rule(102, "Word", "DB", 1, 0);
        read[1] = Loopback_Rule(102, "Real", "DB", 2, 4);
        write[0] = Loopback_Rule(102, "Byte", "DB", 1, 3);
        Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, read, write);
        tc.context.services.plc = &plc;
        tc.context.services.plcScan = &scanner;
        // A version of each file in the history for History...
        tc.workspace.write(QStringLiteral("PROJECTS/Plant A/history/2026-01-01T10-00-00_ParGen.xml"),
                           "<Par_Gen><S7_Protocol_EN_GAT>1</S7_Protocol_EN_GAT></Par_Gen>");
        tc.workspace.write(QStringLiteral("PROJECTS/Plant A/history/2026-01-01T10-00-00_S7_Protocol.xml"),
                           Serialize_S7_Protocol(read, write));
    }

    TestContext tc;
    SteppedPlcCheck plc;
    SteppedPlcScan scanner;
};

TEST_F(FitTest, EveryTextFitsItsControlInEveryShippedLanguage)
{
    AppWindows windows(tc.context);
    // The font that the README names for these measurements.
    EXPECT_EQ(QFontInfo(windows.main->font()).family(), QStringLiteral("DejaVu Sans"));

    for (const QString &language : shippedLanguages()) {
        QString name = language;
        Load_Language(tc.context.texts, name, shippedDir());
        ASSERT_EQ(name, language);
        tc.context.changeLanguage();
        // The editor is shown once per state of its find bar: each fault is reported once.
        std::set<std::string> reported;
        const auto fail = [&](const std::string &fault) {
            if (reported.insert(fault).second)
                ADD_FAILURE() << fault;
        };
        visitShownControls(windows, plc, scanner, tc.modal, [&](QWidget *window, QWidget *control) {
            std::ostringstream out;
            if (control == window) {
                // A layout that grows the window past its size would hide a text that does not fit.
                const QSize size = openingSize(windows, window);
                if (size.width() > 0
                    && (window->width() > size.width() || (size.height() > 0 && window->height() > size.height()))) {
                    out << "SIZE | " << language.toStdString() << " | " << nameOf(window).toStdString() << " grows to "
                        << window->width() << " x " << window->height() << ", opens at " << size.width() << " x "
                        << size.height();
                    fail(std::exchange(out, {}).str());
                }
            }
            for (const ShownText &shown : textsOf(control)) {
                if (!shown.cut())
                    continue;
                out << "FIT " << indicesOf(tc.context.texts, shown.text).toStdString() << " | " << language.toStdString()
                    << " | " << nameOf(window).toStdString() << "/" << nameOf(control).toStdString()
                    << (shown.part.isEmpty() ? "" : " " + shown.part.toStdString()) << " | " << shown.available
                    << " | " << shown.needed << " | \"" << shown.text.toStdString() << "\"";
                fail(std::exchange(out, {}).str());
            }
            for (const QString &fault : placementFaults(control)) {
                out << "PLACE " << indicesOf(tc.context.texts, Shown_Texts(control).value(0).text).toStdString()
                    << " | " << language.toStdString() << " | " << nameOf(window).toStdString() << "/"
                    << nameOf(control).toStdString() << " " << fault.toStdString() << " | \""
                    << Shown_Texts(control).value(0).text.toStdString() << "\"";
                fail(std::exchange(out, {}).str());
            }
        });
    }
    tc.messages.take();
}

// Each text a window shows, found by showing the windows in a language whose entry n reads
// "[[n]]", must have a line in every shipped translation.
TEST_F(FitTest, EveryShippedLanguageTranslatesEveryTextThatAWindowShows)
{
    TextTable marked;
    marked.Load_Default_Texts();
    for (int i = 0; i < marked.Text_Count(); ++i) {
        if (marked.text(i) != QLatin1String(" "))
            marked.setText(i, QStringLiteral("[[%1]]").arg(i));
    }
    AppWindows windows(tc.context);
    tc.context.texts = marked;
    tc.context.changeLanguage();
    std::set<int> shown;
    const QRegularExpression marker(QStringLiteral("\\[\\[(\\d+)\\]\\]"));
    const auto note = [&](const QString &text) {
        for (const QRegularExpressionMatch &m : marker.globalMatch(text))
            shown.insert(m.captured(1).toInt());
    };
    visitShownControls(windows, plc, scanner, tc.modal, [&](QWidget *, QWidget *control) {
        note(control->windowTitle());
        note(control->toolTip());
        for (const ShownText &text : Shown_Texts(control)) {
            note(text.text);
            note(text.hint);
        }
    });
    tc.messages.take();
    ASSERT_GT(shown.size(), 150u) << "the windows show the table's texts";

    for (const QString &language : shippedLanguages()) {
        if (language == QLatin1String("English"))
            continue;
        TextTable present;
        present.Load_Default_Texts();
        for (int i = 0; i < present.Text_Count(); ++i)
            present.setText(i, QStringLiteral("\x01"));
        Load_Language_File(present, shippedDir() + QLatin1Char('/') + language + QStringLiteral(".lng"));
        EXPECT_FALSE(present.locale().isEmpty()) << language.toStdString() << " names no locale";
        for (const int index : shown) {
            EXPECT_NE(present.text(index), QStringLiteral("\x01"))
                << "UNTRANSLATED " << index << " | " << language.toStdString() << " | \""
                << marked.text(index).toStdString() << "\"";
        }
    }
}

// A project name longer than the frame around it is elided, with the whole name as tooltip;
// a short one shows as it is.
TEST_F(FitTest, ALongProjectNameIsElidedWithTheWholeNameAsTooltip)
{
    const QString longName = QStringLiteral("Plant A - hall 7 - line 3 - PROFIBUS master 2 - converter 12 of 14");
    tc.workspace.mkdir(QStringLiteral("PROJECTS/") + longName + QStringLiteral("/bin"));
    tc.context.workspace.openProject(longName);
    AppWindows windows(tc.context);
    windows.main->show();
    auto *name = windows.main->findChild<QLabel *>(QStringLiteral("L_Name_Conf_L2"));
    const auto *frame = windows.main->findChild<QFrame *>(QStringLiteral("Shape2"));
    ASSERT_TRUE(name && frame);
    EXPECT_NE(name->text(), longName);
    EXPECT_TRUE(name->text().contains(QChar(0x2026)));
    EXPECT_EQ(name->toolTip(), longName);
    EXPECT_TRUE(frame->geometry().contains(name->geometry()));

    tc.context.workspace.openProject(QStringLiteral("Plant A"));
    tc.context.changeLanguage();
    EXPECT_EQ(name->text(), QStringLiteral("Plant A"));
    EXPECT_TRUE(name->toolTip().isEmpty());
}

} // namespace
