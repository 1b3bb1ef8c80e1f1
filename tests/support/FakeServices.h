#pragma once

#include "platform/MessageService.h"
#include "platform/UrlOpener.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ModalRunner.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>

// Strict fakes of the dialog services. A message that the test does not take, a question
// without a scripted answer, or a scripted answer left over fails the test.
class FakeMessageService : public MessageService
{
public:
    enum class Kind { Error, Warning, Question, GeneralError, Information };
    struct Message
    {
        Kind kind;
        QString text;
        bool operator==(const Message &) const = default;
    };

    ~FakeMessageService() override;

    // The answer to the next question.
    void answerNextQuestion(bool yes) { m_answers.push_back(yes); }

    // The messages shown since the last take, oldest first; taking them marks them expected.
    QList<Message> take();
    // Takes exactly one message and returns its text ("" and a failure when there is not
    // exactly one of the given kind).
    QString takeOne(Kind kind);

    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    bool question(const QString &text) override;
    void generalError(const QString &text) override;

private:
    QList<Message> m_messages;
    std::deque<bool> m_answers;
};

// Drives modal windows without blocking: each run() shows the window, hands it to the next
// scripted handler, closes it with Rejected when the handler left it open, and returns its
// result. A window shown without a handler, or a handler left over, fails the test.
class FakeModalRunner : public ModalRunner
{
public:
    using Handler = std::function<void(QDialog &)>;
    ~FakeModalRunner() override;

    void expect(Handler handler) { m_handlers.push_back(std::move(handler)); }
    int run(QDialog &dialog) override;
    int shown() const { return m_shown; }

private:
    std::deque<Handler> m_handlers;
    int m_shown = 0;
};

class FakeFileDialogs : public FileDialogs
{
public:
    struct Request
    {
        QString folder;
        QString filter;
        QString title;         // askSaveFile only
        QString suggestedFile; // askSaveFile only
    };
    ~FakeFileDialogs() override;

    // The next answer; "" stands for Cancel.
    void answer(const QString &fileName) { m_answers.push_back(fileName); }
    QString getSaveFileName(QWidget *parent, const QString &folder, const QString &filter) override;
    QString askSaveFile(QWidget *parent, const QString &title, const QString &suggestedFile,
                        const QString &filter) override;
    QList<Request> requests;

    // The next answer of an open dialog; an empty list stands for Cancel.
    void answerOpen(const QStringList &files) { m_openAnswers.push_back(files); }
    QStringList getOpenFileNames(QWidget *parent, const QString &title, const QString &folder,
                                 const QString &filter) override;

private:
    std::deque<QString> m_answers;
    std::deque<QStringList> m_openAnswers;
};

class FakeUrlOpener : public UrlOpener
{
public:
    void open(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};
