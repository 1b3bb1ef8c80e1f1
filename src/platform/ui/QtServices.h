#pragma once

#include "platform/MessageService.h"
#include "platform/UrlOpener.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ModalRunner.h"

#include <QPointer>
#include <QWidget>

class TextTable;

// The real dialog services of the running program.
class QtMessageService : public MessageService
{
public:
    // The titles of the message boxes come from `texts` (English without it).
    explicit QtMessageService(const TextTable *texts = nullptr) : m_texts(texts) {}

    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    bool question(const QString &text) override;
    void generalError(const QString &text) override;

private:
    QString title(int index, const char *english) const;

    const TextTable *m_texts;
};

class QtModalRunner : public ModalRunner
{
public:
    int run(QDialog &dialog) override;
};

class QtFileDialogs : public FileDialogs
{
public:
    QString getSaveFileName(QWidget *parent, const QString &folder, const QString &filter) override;
    QString askSaveFile(QWidget *parent, const QString &title, const QString &suggestedFile,
                        const QString &filter) override;
    QStringList getOpenFileNames(QWidget *parent, const QString &title, const QString &folder,
                                 const QString &filter) override;
};

class QtUrlOpener : public UrlOpener
{
public:
    void open(const QUrl &url) override;
};
