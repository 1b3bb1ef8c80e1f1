#include "s7access/ui/PlcCheckButton.h"

#include "app/ui/AppContext.h"
#include "platform/MessageService.h"
#include "platform/PlcCheckService.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"

#include <QClipboard>
#include <QDialog>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextDocument>
#include <QTextOption>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// A progress window that is at least as wide as its Cancel button with the margins, and places
// the button again when its text changes: QProgressDialog sizes itself by its label alone and
// places its children only when its size changes.
class PlcCheckProgress : public QProgressDialog
{
public:
    using QProgressDialog::QProgressDialog;

    QSize sizeHint() const override
    {
        QSize hint = QProgressDialog::sizeHint();
        if (const auto *cancel = findChild<QPushButton *>()) {
            const int margins = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this) +
                                style()->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, this);
            hint.setWidth(std::max(hint.width(), cancel->sizeHint().width() + margins));
        }
        return hint;
    }

    void setCancelText(const QString &text)
    {
        setCancelButtonText(text);
        setMinimumWidth(sizeHint().width());
        resize(isVisible() ? size().expandedTo(sizeHint()) : sizeHint());
        QResizeEvent same(size(), size());
        resizeEvent(&same);
    }
};

} // namespace

PlcCheckButton::PlcCheckButton(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *window)
    : QObject(window), m_context(context), m_read(read), m_write(write), m_window(window),
      m_button(new FlatButton(QStyle::SP_BrowserReload, window))
{
    setObjectName(QStringLiteral("PlcCheckButton"));
    m_button->setObjectName(QStringLiteral("Btn_CheckPlcs"));
    m_button->setAutoDefault(false);
    m_button->setVisible(m_context.services.plc != nullptr);
    connect(m_button, &QPushButton::clicked, this, &PlcCheckButton::Btn_CheckPlcsClick);

    // The marks tell about the rules as they were checked: a change of a rule's content clears
    // its mark; a change of colour only (the find bar's tint) clears nothing.
    for (S7RuleTableModel *model : {&m_read, &m_write}) {
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this, model](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                    if (roles == QList<int>{Qt::BackgroundRole})
                        return;
                    clearChangedMarks(*model, topLeft.row(), bottomRight.row());
                });
    }

    m_progress = new PlcCheckProgress(window);
    m_progress->setObjectName(QStringLiteral("PD_CheckPlcs"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    m_progress->reset();
    m_progress->hide();
    connect(m_progress, &QProgressDialog::canceled, this, [this] {
        if (m_context.services.plc && m_context.services.plc->running())
            m_context.services.plc->cancel();
    });

    m_resultWindow = new QDialog(window);
    m_resultWindow->setObjectName(QStringLiteral("PlcCheckResults"));
    m_summary = new QLabel(m_resultWindow);
    m_summary->setObjectName(QStringLiteral("L_PlcCheckSummary"));
    m_resultList = new QPlainTextEdit(m_resultWindow);
    m_resultList->setObjectName(QStringLiteral("M_PlcCheckResults"));
    m_resultList->setReadOnly(true);
    m_resultList->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_resultList->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_copy = new FlatButton(QStyle::SP_FileDialogContentsView, m_resultWindow);
    m_copy->setObjectName(QStringLiteral("Btn_CopyPlcResults"));
    m_close = new FlatButton(QStyle::SP_DialogCloseButton, m_resultWindow);
    m_close->setObjectName(QStringLiteral("Btn_ClosePlcResults"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_copy);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(m_resultWindow);
    layout->addWidget(m_summary);
    layout->addWidget(m_resultList);
    layout->addLayout(buttons);
    m_resultWindow->resize(900, 320);
    connect(m_copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_resultList->toPlainText()); });
    connect(m_close, &QPushButton::clicked, m_resultWindow, &QDialog::hide);

    Set_Lang();
}

PlcCheckButton::~PlcCheckButton()
{
    m_closing = true; // cancelling reports progress, which must no longer reach the windows
    if (m_context.services.plc && m_context.services.plc->running())
        m_context.services.plc->cancel();
}

void PlcCheckButton::Set_Lang()
{
    m_button->setText(m_context.text(TextId::S7_CheckPlcs));
    m_button->setToolTip(m_context.text(TextId::S7_CheckPlcsHint));
    m_progress->setWindowTitle(m_context.text(TextId::S7_CheckPlcsTitle));
    static_cast<PlcCheckProgress *>(m_progress)->setCancelText(m_context.text(TextId::S7_CheckPlcsCancel));
    m_resultWindow->setWindowTitle(m_context.text(TextId::S7_CheckPlcsTitle));
    m_copy->setText(m_context.text(TextId::S7_CheckPlcsCopy));
    m_close->setText(m_context.text(TextId::S7_CheckPlcsClose));
}

void PlcCheckButton::Btn_CheckPlcsClick()
{
    PlcCheckService *service = m_context.services.plc;
    if (!service || service->running())
        return;
    const PositionLimits limits{m_read.positionLimit(), m_write.positionLimit()};
    std::vector<PlcCheckItem> items = Plc_Check_Items(m_read.rules(), m_write.rules(), limits);
    m_unsent = Plc_Check_Unsent(m_read.rules(), m_write.rules(), limits);
    if (items.empty() && m_unsent.empty()) {
        m_context.services.messages->warning(m_context.text(TextId::S7_CheckPlcsNoRule));
        return;
    }
    m_read.setRowMarks({});
    m_write.setRowMarks({});
    if (items.empty()) {
        // Nothing to send: the refused rows are the whole result.
        m_resultWindow->hide();
        checkFinished({}, false);
        return;
    }
    m_resultWindow->hide();
    m_button->setEnabled(false);
    showProgress(0, int(items.size()));
    m_progress->adjustSize();
    m_progress->move(m_window->geometry().center() - m_progress->rect().center()); // over the editor
    m_progress->show();
    const QPointer<PlcCheckButton> self(this); // the check may end after the window is gone
    service->start(
        std::move(items), PlcCheckLimits{},
        [self](int done, int total) {
            // Later, from the event loop: a window-modal progress bar processes events when it
            // moves, which must not happen while a connection reports a result.
            if (self && !self->m_closing) {
                QMetaObject::invokeMethod(
                    self, [self, done, total] {
                        if (self && !self->m_button->isEnabled())
                            self->showProgress(done, total);
                    },
                    Qt::QueuedConnection);
            }
        },
        [self](const std::vector<PlcCheckResult> &results, bool cancelled) {
            if (self)
                self->checkFinished(results, cancelled);
        });
}

void PlcCheckButton::showProgress(int done, int total)
{
    // The text first: moving the window-modal bar processes events, which may show a later report.
    m_progress->setLabelText(m_context.text(TextId::S7_CheckPlcsProgress).arg(done).arg(total));
    m_progress->setMaximum(total);
    m_progress->setValue(done);
}

void PlcCheckButton::checkFinished(const std::vector<PlcCheckResult> &results, bool cancelled)
{
    m_progress->hide();
    m_progress->reset();
    m_button->setEnabled(true);
    const std::vector<PlcCheckResult> all = Plc_Check_Merge(results, m_unsent);
    m_unsent.clear();
    markRows(all);
    showResults(all, cancelled);
}

PlcCheckResult PlcCheckButton::shownResult(const PlcCheckResult &result) const
{
    PlcCheckResult shown = result;
    if (result.incomplete) {
        const S7RuleTableModel &model = result.list == S7Rule::List::Read ? m_read : m_write;
        const QString heading = model.headerData(model.columnOf(*result.incomplete), Qt::Horizontal).toString();
        shown.error = m_context.text(TextId::S7_CheckIncomplete).arg(heading);
    }
    return shown;
}

void PlcCheckButton::clearChangedMarks(S7RuleTableModel &model, int firstRow, int lastRow)
{
    QHash<int, S7Rule> &checked = &model == &m_read ? m_checkedRead : m_checkedWrite;
    if (model.rowMarks().isEmpty())
        return;
    QHash<int, S7RuleTableModel::RowMark> marks = model.rowMarks();
    bool changed = false;
    for (auto it = marks.begin(); it != marks.end();) {
        const int row = it.key();
        if (row >= firstRow && row <= lastRow && model.rules()[std::size_t(row)] != checked.value(row)) {
            checked.remove(row);
            it = marks.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    if (changed)
        model.setRowMarks(std::move(marks));
}

void PlcCheckButton::markRows(const std::vector<PlcCheckResult> &results)
{
    QHash<int, S7RuleTableModel::RowMark> read;
    QHash<int, S7RuleTableModel::RowMark> write;
    m_checkedRead.clear();
    m_checkedWrite.clear();
    for (const PlcCheckResult &result : results) {
        const PlcCheckResult r = shownResult(result);
        QString tip = r.ok ? QStringLiteral("%1 = %2").arg(r.address, r.value.text())
                           : QStringLiteral("%1: %2").arg(r.address, Plc_Check_Error_Text(r.error, m_context.texts));
        if (r.afterEnd)
            tip += QLatin1Char('\n') + m_context.text(TextId::S7_AfterEndNotSent);
        const bool isRead = r.list == S7Rule::List::Read;
        (isRead ? read : write).insert(r.row - 1, {r.ok, tip, r.afterEnd});
        (isRead ? m_checkedRead : m_checkedWrite).insert(r.row - 1, (isRead ? m_read : m_write).rules()[std::size_t(r.row - 1)]);
    }
    m_read.setRowMarks(read);
    m_write.setRowMarks(write);
}

void PlcCheckButton::showResults(const std::vector<PlcCheckResult> &results, bool cancelled)
{
    const auto ok = std::count_if(results.begin(), results.end(), [](const PlcCheckResult &r) { return r.ok; });
    QString summary = m_context.text(TextId::S7_CheckPlcsSummary).arg(ok).arg(results.size());
    if (cancelled)
        summary += QStringLiteral("  ") + m_context.text(TextId::S7_CheckPlcsCancelled);
    if (const int afterEnd = Plc_Check_After_End_Count(results); afterEnd > 0)
        summary += QLatin1Char('\n') + m_context.text(TextId::S7_CheckAfterEndSummary).arg(afterEnd);
    m_summary->setText(summary);
    QStringList lines;
    for (const PlcCheckResult &r : results)
        lines.append(Plc_Check_Line(shownResult(r), m_context.texts));
    // The lines are tab-separated, as they are copied; on screen each column is as wide as its
    // widest field and a gap, so that the columns line up whatever the items and addresses.
    const QFontMetricsF metrics(m_resultList->font());
    std::vector<qreal> widths;
    for (const QString &line : lines) {
        const QStringList fields = line.split(u'\t');
        widths.resize(std::max(widths.size(), std::size_t(fields.size() - 1)));
        for (qsizetype i = 0; i + 1 < fields.size(); ++i)
            widths[i] = std::max(widths[i], metrics.horizontalAdvance(fields[i]));
    }
    QList<QTextOption::Tab> tabs;
    qreal x = 0;
    for (const qreal width : widths) {
        x += width + metrics.horizontalAdvance(QStringLiteral("    "));
        tabs.append(QTextOption::Tab(x, QTextOption::LeftTab));
    }
    QTextOption option = m_resultList->document()->defaultTextOption();
    option.setTabs(tabs);
    m_resultList->document()->setDefaultTextOption(option);
    m_resultList->setPlainText(lines.join(u'\n'));
    m_resultWindow->show();
    m_resultWindow->raise();
}
