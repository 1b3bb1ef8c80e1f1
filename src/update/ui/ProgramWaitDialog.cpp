#include "update/ui/ProgramWaitDialog.h"

#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ProgramWaitDialog::ProgramWaitDialog(const TextTable &texts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_texts(texts),
      m_program(new QLabel(this)), m_elapsed(new QLabel(this)), m_busy(new QProgressBar(this))
{
    setObjectName(QStringLiteral("ProgramWaitDialog"));
    setWindowModality(Qt::ApplicationModal);
    m_program->setObjectName(QStringLiteral("L_Program"));
    m_elapsed->setObjectName(QStringLiteral("L_Elapsed"));
    m_busy->setRange(0, 0); // a busy indicator: the program tells nothing of its progress
    m_busy->setTextVisible(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_program);
    layout->addWidget(m_busy);
    layout->addWidget(m_elapsed);
    setMinimumWidth(360);
}

void ProgramWaitDialog::waitStarted(const QString &program)
{
    setWindowTitle(program);
    m_program->setText(program + m_texts.text(TextId::Wait_IsRunning));
    m_seconds = -1;
    showSeconds(0);
    show();
    QCoreApplication::processEvents();
}

void ProgramWaitDialog::waiting(qint64 elapsedMs)
{
    showSeconds(elapsedMs / 1000);
    QCoreApplication::processEvents();
}

void ProgramWaitDialog::waitEnded()
{
    hide();
}

QString ProgramWaitDialog::programText() const
{
    return m_program->text();
}

QString ProgramWaitDialog::elapsedText() const
{
    return m_elapsed->text();
}

void ProgramWaitDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void ProgramWaitDialog::showSeconds(qint64 seconds)
{
    if (seconds == m_seconds)
        return;
    m_seconds = seconds;
    m_elapsed->setText(QString::number(seconds) + m_texts.text(TextId::Wait_SecondsElapsed));
}
