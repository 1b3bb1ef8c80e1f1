#pragma once

#include "platform/ProcessRunner.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class TextTable;

// Shown while the configurator waits for an external program: the program's name and the
// seconds elapsed. It is application-modal, so no other window takes input meanwhile, and it
// repaints at every poll of the runner. It cannot be closed: the wait ends with the program
// or at the runner's time limit.
class ProgramWaitDialog : public QDialog, public ProgramWaitObserver
{
    Q_OBJECT
public:
    // Its texts come from `texts`, which must outlive it.
    explicit ProgramWaitDialog(const TextTable &texts, QWidget *parent = nullptr);

    void waitStarted(const QString &program) override;
    void waiting(qint64 elapsedMs) override;
    void waitEnded() override;

    QString programText() const;
    QString elapsedText() const;

public slots:
    void reject() override {}

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showSeconds(qint64 seconds);

    const TextTable &m_texts;
    QLabel *m_program;
    QLabel *m_elapsed;
    QProgressBar *m_busy;
    qint64 m_seconds = -1;
};
