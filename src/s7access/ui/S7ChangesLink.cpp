#include "s7access/ui/S7ChangesLink.h"

#include "app/ui/AppContext.h"
#include "compare/ProjectDiff.h"
#include "platform/ui/ModalRunner.h"
#include "s7access/S7ListEnd.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// What OK saves: each list's rules in use, in order. Rules after an empty row are saved once
// OK has closed the gaps (it offers that first), so they are compared as moved up.
S7RuleList toBeSaved(const S7RuleList &rules)
{
    S7RuleList saved;
    for (const ListedRule &listed : Listed_Rules(rules))
        saved.push_back(rules[std::size_t(listed.row - 1)]);
    return saved;
}

// A cell's text as the window shows it: in quotes, control characters written out.
QString shownValue(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        if (c.unicode() < 32)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

} // namespace

S7ChangesLink::S7ChangesLink(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent)
    : QToolButton(parent), m_context(context), m_read(read), m_write(write)
{
    setObjectName(QStringLiteral("Btn_Changes"));
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    for (S7RuleTableModel *model : {&m_read, &m_write}) {
        connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &, const QModelIndex &,
                                                                      const QList<int> &roles) {
            if (roles != QList<int>{Qt::BackgroundRole})
                refreshState();
        });
        // The editor resets a model only when it opens: fresh rules, then the rules of the file.
        connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
            (model == &m_read ? m_diskRead : m_diskWrite) = Rules_Held(model->rules());
            refreshState();
        });
    }
    connect(this, &QToolButton::clicked, this, &S7ChangesLink::showChanges);
    parent->window()->installEventFilter(this);
    Set_Lang();
    setEnabled(false);
}

void S7ChangesLink::Set_Lang()
{
    setText(m_context.text(TextId::Changes_Caption));
    setToolTip(m_context.text(TextId::Changes_Hint));
}

bool S7ChangesLink::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && !event->spontaneous() && watched == window())
        Set_Lang();
    return QToolButton::eventFilter(watched, event);
}

void S7ChangesLink::refreshState()
{
    setEnabled(toBeSaved(m_read.rules()) != m_diskRead || toBeSaved(m_write.rules()) != m_diskWrite);
}

QString S7ChangesLink::changesText() const
{
    using Kind = RuleChange::Kind;
    const auto t = [this](int id) { return m_context.text(id); };
    // The fields are named by the column headings of the editor's pages.
    const auto heading = [this](S7Rule::List list, S7Rule::Field field) {
        const S7RuleTableModel &model = list == S7Rule::List::Read ? m_read : m_write;
        return model.headerData(model.columnOf(field), Qt::Horizontal).toString();
    };
    const auto ruleText = [&](S7Rule::List list, const S7Rule &rule) {
        QStringList parts;
        for (const S7Rule::Field f : S7Rule::fields(list))
            if (!rule[f].isEmpty())
                parts.append(heading(list, f) + QStringLiteral(": ") + shownValue(rule[f]));
        return parts.join(QStringLiteral("; "));
    };
    const auto rows = [&](int first, int count) {
        return count == 1 ? t(TextId::Changes_Row).arg(first) : t(TextId::Changes_Rows).arg(first).arg(first + count - 1);
    };
    QString out;
    int added = 0, removed = 0, changed = 0, moved = 0;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const bool read = list == S7Rule::List::Read;
        const QString name = t(read ? TextId::Report_Read : TextId::Report_Write);
        for (const RuleChange &c : Diff_Rules(list, read ? m_diskRead : m_diskWrite, toBeSaved(read ? m_read.rules() : m_write.rules()))) {
            switch (c.kind) {
            case Kind::Added:
                ++added;
                out += t(TextId::Changes_Added).arg(name).arg(c.newRow).arg(ruleText(list, c.newRule)) + u'\n';
                break;
            case Kind::Removed:
                ++removed;
                out += t(TextId::Changes_Removed).arg(name).arg(c.oldRow).arg(ruleText(list, c.oldRule)) + u'\n';
                break;
            case Kind::Moved:
                moved += c.count;
                out += t(TextId::Changes_Moved).arg(name, rows(c.oldRow, c.count), rows(c.newRow, c.count)) + u'\n';
                break;
            case Kind::Changed:
                ++changed;
                out += (c.oldRow == c.newRow ? t(TextId::Changes_Changed).arg(name).arg(c.oldRow)
                                             : t(TextId::Changes_ChangedNow).arg(name).arg(c.oldRow).arg(c.newRow))
                    + u'\n';
                for (const S7Rule::Field f : S7Rule::fields(list))
                    if (c.oldRule[f] != c.newRule[f])
                        out += QStringLiteral("    %1: %2 -> %3\n").arg(heading(list, f), shownValue(c.oldRule[f]), shownValue(c.newRule[f]));
                break;
            }
        }
    }
    if (out.isEmpty())
        return {};
    return out + t(TextId::Changes_Summary).arg(added).arg(removed).arg(changed).arg(moved) + u'\n';
}

void S7ChangesLink::showChanges()
{
    Show_Changes_View(m_context, window(), changesText(), m_context.text(TextId::Changes_None));
}

void S7ChangesLink::Show_Changes_View(AppContext &context, QWidget *parent, const QString &text, const QString &noneText)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("S7Changes"));
    dialog.setWindowTitle(context.text(TextId::Changes_Caption));
    dialog.resize(900, 420);
    auto *layout = new QVBoxLayout(&dialog);
    auto *view = new QPlainTextEdit(&dialog);
    view->setObjectName(QStringLiteral("M_Changes"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view->setPlainText(text.isEmpty() ? noneText : text);
    layout->addWidget(view);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    context.services.modal->run(dialog);
}
