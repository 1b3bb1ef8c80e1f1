#include "widgets/FlatButton.h"

#include <QFont>
#include <gtest/gtest.h>

// At its size hint a button shows its whole caption, whatever the font: the windows lay their
// buttons out at the hint, and a caption cut to "OK" -> "..." hides what the button does.
TEST(FlatButtonTest, ShowsTheWholeCaptionAtItsSizeHint)
{
    const char *captions[] = {"OK", "Cancel", "Delete Row", "Insert Row", "Copy Row", "Paste Row",
                              "Execute Update Firmware", "Next", "Zeile einfügen", "Wi"};
    for (const char *family : {"Verdana", "DejaVu Sans", "Sans Serif"}) {
        for (int pixels = 9; pixels <= 20; ++pixels) {
            for (const bool glyph : {true, false}) {
                QFont font{QString::fromLatin1(family)};
                font.setPixelSize(pixels);
                FlatButton button;
                if (glyph)
                    button.setGlyph(QStyle::SP_DialogApplyButton);
                button.setFont(font);
                for (const char *caption : captions) {
                    button.setText(QString::fromUtf8(caption));
                    button.resize(button.sizeHint());
                    EXPECT_EQ(button.shownCaption().toStdString(), button.text().toStdString())
                        << family << " " << pixels << " px, glyph " << glyph << ", width " << button.width();
                }
            }
        }
    }
}

TEST(FlatButtonTest, ElidesOnlyWhenNarrowerThanItsHint)
{
    FlatButton button(QStyle::SP_DialogCancelButton);
    button.setText(QStringLiteral("Execute Update Firmware"));
    button.resize(button.sizeHint().width() - 30, button.sizeHint().height());
    EXPECT_TRUE(button.shownCaption().endsWith(QChar(0x2026))) << button.shownCaption().toStdString();
    EXPECT_LT(button.shownCaption().size(), button.text().size());
}
