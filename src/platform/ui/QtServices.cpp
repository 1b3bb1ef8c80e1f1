#include "platform/ui/QtServices.h"

#include "widgets/WindowStyle.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QWidget *activeParent()
{
    return QApplication::activeWindow();
}

} // namespace

QString QtMessageService::title(int index, const char *english) const
{
    return m_texts ? m_texts->text(index) : QString::fromLatin1(english);
}

void QtMessageService::error(const QString &text)
{
    QMessageBox::critical(activeParent(), title(TextId::Message_TitleError, "Error"), text, QMessageBox::Ok);
}

void QtMessageService::warning(const QString &text)
{
    QMessageBox::warning(activeParent(), title(TextId::Message_TitleWarning, "Warning"), text, QMessageBox::Ok);
}

void QtMessageService::information(const QString &text)
{
    QMessageBox::information(activeParent(), title(TextId::Message_TitleInformation, "Information"), text, QMessageBox::Ok);
}

bool QtMessageService::question(const QString &text)
{
    QMessageBox box(QMessageBox::Question, title(TextId::Message_TitleConfirm, "Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No, activeParent());
    return box.exec() == QMessageBox::Yes;
}

void QtMessageService::generalError(const QString &text)
{
    QMessageBox::critical(activeParent(), QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

int QtModalRunner::run(QDialog &dialog)
{
    WindowStyle::Fit_To_Screen(&dialog);
    return dialog.exec();
}

QString QtFileDialogs::getSaveFileName(QWidget *parent, const QString &folder, const QString &filter)
{
    // No default suffix and no title: the caller appends the extension itself.
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtFileDialogs::askSaveFile(QWidget *parent, const QString &title, const QString &suggestedFile,
                                  const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, suggestedFile, filter);
}

QStringList QtFileDialogs::getOpenFileNames(QWidget *parent, const QString &title, const QString &folder,
                                            const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}

void QtUrlOpener::open(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
