#include "support/FakeServices.h"

#include <QFileInfo>
#include <QDialog>
#include <gtest/gtest.h>

FakeMessageService::~FakeMessageService()
{
    for (const Message &m : m_messages)
        ADD_FAILURE() << "message not expected by the test: " << m.text.toStdString();
    if (!m_answers.empty())
        ADD_FAILURE() << m_answers.size() << " scripted answer(s) to questions never asked";
}

QList<FakeMessageService::Message> FakeMessageService::take()
{
    return std::exchange(m_messages, {});
}

QString FakeMessageService::takeOne(Kind kind)
{
    const QList<Message> all = take();
    if (all.size() != 1 || all.first().kind != kind) {
        ADD_FAILURE() << "expected exactly one message of kind " << int(kind) << ", got " << all.size();
        for (const Message &m : all)
            ADD_FAILURE() << "  kind " << int(m.kind) << ": " << m.text.toStdString();
        return {};
    }
    return all.first().text;
}

void FakeMessageService::error(const QString &text)
{
    m_messages.append({Kind::Error, text});
}

void FakeMessageService::warning(const QString &text)
{
    m_messages.append({Kind::Warning, text});
}

void FakeMessageService::information(const QString &text)
{
    m_messages.append({Kind::Information, text});
}

bool FakeMessageService::question(const QString &text)
{
    m_messages.append({Kind::Question, text});
    if (m_answers.empty()) {
        ADD_FAILURE() << "question without a scripted answer: " << text.toStdString();
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

void FakeMessageService::generalError(const QString &text)
{
    m_messages.append({Kind::GeneralError, text});
}

FakeModalRunner::~FakeModalRunner()
{
    if (!m_handlers.empty())
        ADD_FAILURE() << m_handlers.size() << " scripted window(s) never shown";
}

int FakeModalRunner::run(QDialog &dialog)
{
    ++m_shown;
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (m_handlers.empty()) {
        ADD_FAILURE() << "window shown without a scripted handler: " << dialog.objectName().toStdString();
    } else {
        Handler handler = std::move(m_handlers.front());
        m_handlers.pop_front();
        handler(dialog);
    }
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

FakeFileDialogs::~FakeFileDialogs()
{
    if (!m_answers.empty())
        ADD_FAILURE() << m_answers.size() << " scripted file name(s) never asked for";
    if (!m_openAnswers.empty())
        ADD_FAILURE() << m_openAnswers.size() << " scripted open answer(s) never asked for";
}

QStringList FakeFileDialogs::getOpenFileNames(QWidget *, const QString &, const QString &folder, const QString &filter)
{
    requests.append({folder, filter});
    if (m_openAnswers.empty()) {
        ADD_FAILURE() << "open file dialog without a scripted answer";
        return {};
    }
    QStringList a = m_openAnswers.front();
    m_openAnswers.pop_front();
    return a;
}

QString FakeFileDialogs::getSaveFileName(QWidget *, const QString &folder, const QString &filter)
{
    requests.append({folder, filter});
    if (m_answers.empty()) {
        ADD_FAILURE() << "file dialog without a scripted answer";
        return {};
    }
    QString a = m_answers.front();
    m_answers.pop_front();
    return a;
}

QString FakeFileDialogs::askSaveFile(QWidget *, const QString &title, const QString &suggestedFile, const QString &filter)
{
    requests.append({QFileInfo(suggestedFile).path(), filter, title, suggestedFile});
    if (m_answers.empty()) {
        ADD_FAILURE() << "file dialog without a scripted answer";
        return {};
    }
    QString a = m_answers.front();
    m_answers.pop_front();
    return a;
}
