#include "widgets/FlatButton.h"
#include "widgets/TextFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QTabBar>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

bool askForToolTip(QWidget &widget, QPoint pos = {2, 2})
{
    QHelpEvent event(QEvent::ToolTip, pos, widget.mapToGlobal(pos));
    return QApplication::sendEvent(&widget, &event);
}

// The measurements that the tooltips and the windows' fit test rely on.
TEST(TextFitTest, MeasuresTheRoomOfEachKindOfControl)
{
    QWidget window;
    QLabel label(QStringLiteral("Kommunikation einstellen"), &window);
    label.resize(label.sizeHint());
    EXPECT_FALSE(Shown_Texts(&label).value(0).cut());
    label.resize(label.sizeHint().width() - 20, label.height());
    EXPECT_TRUE(Shown_Texts(&label).value(0).cut());

    QCheckBox box(QStringLiteral("Internetverbindung aktivieren"), &window);
    box.resize(box.sizeHint().width() - 1, box.sizeHint().height());
    EXPECT_TRUE(Shown_Texts(&box).value(0).cut());

    QComboBox combo(&window);
    combo.addItems({QStringLiteral("Firmware"), QStringLiteral("Firmware + Konfiguration, sehr lang")});
    combo.resize(120, 24);
    const QList<ShownText> items = Shown_Texts(&combo);
    ASSERT_EQ(items.size(), 2);
    EXPECT_FALSE(items[0].cut());
    EXPECT_TRUE(items[1].cut());

    QTabBar bar(&window);
    bar.addTab(QStringLiteral("Sprache"));
    bar.addTab(QStringLiteral("Verbindungsoptionen"));
    bar.resize(bar.tabRect(0).width() + 20, bar.sizeHint().height());
    const QList<ShownText> tabs = Shown_Texts(&bar);
    ASSERT_EQ(tabs.size(), 2);
    EXPECT_FALSE(tabs[0].cut());
    EXPECT_TRUE(tabs[1].cut()) << "the second tab lies mostly past the bar's end";
}

// A caption that does not fit shows whole as the tooltip, followed by the control's own hint;
// one that fits keeps the control's own tooltip.
TEST(TextFitTest, ACutTextShowsWholeAsTheTooltip)
{
    CutTextToolTips filter;
    qApp->installEventFilter(&filter);
    QWidget window;
    window.resize(400, 200);
    FlatButton button(&window);
    button.setText(QStringLiteral("Gerät über UDP aktualisieren"));
    button.setToolTip(QStringLiteral("Firmware und Konfiguration übertragen"));
    button.resize(80, 30);
    QLabel fits(QStringLiteral("OK"), &window);
    fits.resize(fits.sizeHint());
    window.show();

    EXPECT_TRUE(askForToolTip(button));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Gerät über UDP aktualisieren\nFirmware und Konfiguration übertragen"));
    QToolTip::hideText();

    button.resize(button.sizeHint());
    EXPECT_FALSE(Shown_Texts(&button).value(0).cut());
    const QList<ShownText> fitting = Shown_Texts(&fits);
    ASSERT_EQ(fitting.size(), 1);
    EXPECT_FALSE(fitting[0].cut());
    qApp->removeEventFilter(&filter);
}

} // namespace
