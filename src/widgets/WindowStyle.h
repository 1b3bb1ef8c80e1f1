#pragma once

#include <QFont>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

class QLayout;
class QWidget;

// The look shared by the windows: Verdana (the system substitutes a similar face where it
// is missing) on a light cream background.
namespace WindowStyle {

inline constexpr const char *kBackground = "#FBF5E6";
inline constexpr int kFontPixels = 11;

QFont Verdana(int pixelSize = kFontPixels, bool bold = false);

// Cream background and the Verdana font for a window and everything in it.
void Apply(QWidget *window);

// The bottom panel P_Button of the dialogs, 40 high, its buttons right-aligned.
QWidget *Make_Button_Panel(QWidget *parent, const QList<QWidget *> &buttons);

// A dialog's frame: the title panel on top, the body taking the free height, the button panel
// at the bottom, with no margins or gaps between them.
void Stack_Window(QWidget *window, QWidget *title, QWidget *body, QWidget *buttons);
void Stack_Window(QWidget *window, QWidget *title, QLayout *body, QWidget *buttons);

} // namespace WindowStyle

namespace WindowStyle {

// A hint shown as the plain text it is, even when it looks like markup.
QString Plain_Tooltip(const QString &text);

// Centres a top-level window on its screen.
void Center_On_Screen(QWidget *window);

// Where a window whose client area wants `wanted` goes on a screen whose free area (without
// task bars) is `available`, `frame` being the room of its title bar and borders: the client
// rectangle, of the wanted size where that fits, else shrunk to the free area and centred in it.
QRect Fit_Window_Rect(QSize wanted, QRect available, QMargins frame);

// Every window keeps its own size where it fits its screen's free area; a larger one shrinks
// to it (its minimum size too), is centred, and its grids and scroll areas scroll. Called
// before a window is shown.
void Fit_To_Screen(QWidget *window);

} // namespace WindowStyle
