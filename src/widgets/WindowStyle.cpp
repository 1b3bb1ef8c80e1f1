#include "widgets/WindowStyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWidget>

namespace WindowStyle {

QFont Verdana(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void Apply(QWidget *window)
{
    window->setFont(Verdana());
    window->setAutoFillBackground(true);
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, QColor(QLatin1String(kBackground)));
    window->setPalette(pal);
}

namespace {

QVBoxLayout *stackLayout(QWidget *window, QWidget *title)
{
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    return layout;
}

} // namespace

void Stack_Window(QWidget *window, QWidget *title, QWidget *body, QWidget *buttons)
{
    QVBoxLayout *layout = stackLayout(window, title);
    layout->addWidget(body, 1);
    layout->addWidget(buttons);
}

void Stack_Window(QWidget *window, QWidget *title, QLayout *body, QWidget *buttons)
{
    QVBoxLayout *layout = stackLayout(window, title);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
}

QWidget *Make_Button_Panel(QWidget *parent, const QList<QWidget *> &buttons)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("P_Button"));
    panel->setFixedHeight(40);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(8);
    layout->addStretch();
    for (QWidget *button : buttons) {
        button->setFixedSize(110, 28);
        layout->addWidget(button);
    }
    return panel;
}

} // namespace WindowStyle

namespace WindowStyle {

QString Plain_Tooltip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QRect Fit_Window_Rect(QSize wanted, QRect available, QMargins frame)
{
    const QRect client = available.marginsRemoved(frame);
    const QSize size = wanted.boundedTo(client.size()).expandedTo(QSize(1, 1));
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(client.center());
    return rect;
}

void Fit_To_Screen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    // Before the window is first shown the window manager's frame is unknown: the style's
    // title bar and border widths stand in for it.
    QMargins frame(window->geometry().left() - window->frameGeometry().left(),
                   window->geometry().top() - window->frameGeometry().top(),
                   window->frameGeometry().right() - window->geometry().right(),
                   window->frameGeometry().bottom() - window->geometry().bottom());
    if (frame.isNull()) {
        const QStyle *style = window->style();
        const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
        frame = QMargins(border, border + style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window), border,
                         border);
    }
    const QRect available = screen->availableGeometry();
    const QRect fitted = Fit_Window_Rect(window->size(), available, frame);
    if (fitted.size() == window->size())
        return;
    window->setMinimumSize(window->minimumSize().boundedTo(fitted.size()));
    window->resize(fitted.size());
    window->move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
}

void Center_On_Screen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace WindowStyle
