#include "s7access/ui/ProfibusMapPage.h"

#include "app/ui/AppContext.h"
#include "app/ConfigWorkspace.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "platform/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "report/CommissioningReport.h"
#include "s7access/S7ListEnd.h"
#include "s7access/ui/ProfibusMapView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <new>

// What the report's thread and the page share: the thread writes the result, then finishes;
// the page reads it only after the thread's finished signal.
struct ProfibusMapPage::ReportJob
{
    QString file;
    std::atomic<int> percent{0};
    std::atomic<bool> cancel{false};
    std::optional<QByteArray> bytes;
    QString error;
};

ProfibusMapPage::ProfibusMapPage(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent)
    : QWidget(parent), m_context(context), m_read(read), m_write(write)
{
    setObjectName(QStringLiteral("TS_PROFIBUS_Map"));
    m_view = new ProfibusMapView(read, write, context.texts);
    connect(m_view, &ProfibusMapView::ruleClicked, this, &ProfibusMapPage::ruleClicked);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SB_PROFIBUS_Map"));
    scroll->setWidget(m_view);
    scroll->setWidgetResizable(false);
    scroll->setBackgroundRole(QPalette::Base);

    auto *bar = new QHBoxLayout;
    for (const QColor &colour : {QColor(Qt::white), ProfibusMapPicture::conflictColour(), ProfibusMapPicture::pastCountColour()}) {
        auto *swatch = new QLabel(this);
        swatch->setFixedSize(16, 16);
        swatch->setStyleSheet(QStringLiteral("background:%1;border:1px solid #909090").arg(colour.name()));
        auto *label = new QLabel(this);
        bar->addWidget(swatch);
        bar->addWidget(label);
        bar->addSpacing(12);
        m_legend.append(label);
    }
    bar->addStretch();
    m_reportDone = new QLabel(this);
    m_reportDone->setObjectName(QStringLiteral("L_Report"));
    bar->addWidget(m_reportDone);
    m_reportProgress = new QProgressBar(this);
    m_reportProgress->setObjectName(QStringLiteral("PB_Report"));
    m_reportProgress->setRange(0, 100);
    m_reportProgress->setFixedWidth(160);
    bar->addWidget(m_reportProgress);
    m_reportCancel = new QPushButton(this);
    m_reportCancel->setObjectName(QStringLiteral("Btn_ReportCancel"));
    m_reportCancel->setAutoDefault(false);
    bar->addWidget(m_reportCancel);
    connect(m_reportCancel, &QPushButton::clicked, this, [this] {
        if (m_jobState)
            m_jobState->cancel = true;
        m_reportCancel->setEnabled(false);
    });
    m_reportPoll = new QTimer(this);
    m_reportPoll->setInterval(100);
    connect(m_reportPoll, &QTimer::timeout, this, [this] {
        if (m_jobState)
            m_reportProgress->setValue(m_jobState->percent);
    });
    m_report = new FlatButton(QStyle::SP_FileDialogDetailedView, this);
    m_report->setObjectName(QStringLiteral("Btn_Report"));
    m_report->setAutoDefault(false);
    bar->addWidget(m_report);
    connect(m_report, &QPushButton::clicked, this, [this] {
        try {
            Btn_ReportClick();
        } catch (const BrivantError &e) {
            m_context.services.messages->generalError(e.text());
        }
    });

    // Shown while rules follow a list's end: their cells are hatched.
    m_afterEnd = new QWidget(this);
    {
        QPixmap hatch(16, 16);
        hatch.fill(Qt::white);
        QPainter painter(&hatch);
        painter.fillRect(hatch.rect(), QBrush(QColor(0x60, 0x60, 0x60), Qt::BDiagPattern));
        painter.setPen(QColor(0x90, 0x90, 0x90));
        painter.drawRect(hatch.rect().adjusted(0, 0, -1, -1));
        auto *swatch = new QLabel(m_afterEnd);
        swatch->setFixedSize(16, 16);
        swatch->setPixmap(hatch);
        m_afterEndLegend = new QLabel(m_afterEnd);
        m_afterEndLegend->setObjectName(QStringLiteral("L_Map_AfterEnd"));
        auto *row = new QHBoxLayout(m_afterEnd);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(swatch);
        row->addWidget(m_afterEndLegend);
        row->addStretch();
    }
    m_unplaced = new QLabel(this);
    m_unplaced->setObjectName(QStringLiteral("L_Map_Unplaced"));
    m_unplaced->setWordWrap(true);
    m_unplaced->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_unplaced->setStyleSheet(QStringLiteral("color:#b00000"));
    connect(m_view, &ProfibusMapView::mapChanged, this, &ProfibusMapPage::showUnplaced);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_afterEnd);
    layout->addWidget(m_unplaced);
    showReportRunning(false);
    Set_Lang();
}

ProfibusMapPage::~ProfibusMapPage()
{
    if (m_job) {
        m_jobState->cancel = true;
        m_job->wait();
        delete m_job;
    }
}

void ProfibusMapPage::showReportRunning(bool running)
{
    m_reportProgress->setVisible(running);
    m_reportCancel->setVisible(running);
    m_reportCancel->setEnabled(running);
    m_report->setEnabled(!running);
    if (running) {
        m_reportProgress->setValue(0);
        m_reportPoll->start();
    } else {
        m_reportPoll->stop();
    }
}

void ProfibusMapPage::Set_Lang()
{
    const int texts[] = {TextId::Map_Free, TextId::Map_Conflict, TextId::Map_PastByteCount};
    for (qsizetype i = 0; i < m_legend.size(); ++i)
        m_legend[i]->setText(m_context.text(texts[i]));
    m_afterEndLegend->setText(m_context.text(TextId::S7_AfterEndNotSent));
    m_report->setText(m_context.text(TextId::Map_Report));
    m_report->setToolTip(m_context.text(TextId::Map_SaveReport));
    m_reportCancel->setText(m_context.text(TextId::Report_Cancel));
    m_view->update();
    showUnplaced();
}

void ProfibusMapPage::showUnplaced()
{
    const QStringList lines = Map_Unplaced_Lines(m_view->map(), m_read.rules(), m_write.rules(), m_context.texts);
    m_unplaced->setText(lines.join(u'\n'));
    m_unplaced->setVisible(!lines.isEmpty());
    const ProfibusMap &map = m_view->map();
    bool afterEnd = false;
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        for (const MapRule &rule : map.rules(area))
            afterEnd = afterEnd || rule.afterEnd;
    }
    m_afterEnd->setVisible(afterEnd);
}

void ProfibusMapPage::offerToCloseGaps()
{
    const QString gaps = Gap_Lines(m_read.rules(), m_write.rules(), m_context.texts);
    if (gaps.isEmpty() || !m_context.services.messages->question(m_context.text(TextId::Map_CloseGapsBeforeReport) + gaps))
        return;
    for (S7RuleTableModel *model : {&m_read, &m_write})
        model->closeGaps();
}

void ProfibusMapPage::setLimits(const PositionLimits &limits)
{
    m_view->setLimits(limits);
    m_reportDone->clear();
}

bool ProfibusMapPage::confirmConflicts()
{
    const std::vector<MapConflict> &conflicts = m_view->map().conflicts();
    if (conflicts.empty())
        return true;
    const MapConflict &first = conflicts.front();
    return m_context.services.messages->question(
        m_context.text(TextId::Map_ConflictQuestion).arg(first.rowA).arg(first.rowB));
}

void ProfibusMapPage::Btn_ReportClick()
{
    if (m_job)
        return;
    offerToCloseGaps();
    const QString projectDir = m_context.workspace.Project_Dir;
    QString file = m_context.services.files->askSaveFile(
        this, m_context.text(TextId::Map_SaveReport),
        ConfigWorkspace::join(projectDir, Report_File_Name(QFileInfo(projectDir).fileName())),
        QStringLiteral("PDF (*.pdf);;HTML (*.html)"));
    if (file.isEmpty())
        return;
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != u"pdf" && suffix != u"html" && suffix != u"htm")
        file += QStringLiteral(".pdf");
    const ReportInput input = Load_Report_Input(projectDir, QDateTime::currentDateTime(), m_read.rules(), m_write.rules());

    // The PDF of a large project takes a while: it is laid out on a thread of its own, and
    // the page shows its progress and a Cancel button meanwhile. The file is written here,
    // after the thread has finished.
    auto job = std::make_shared<ReportJob>();
    job->file = file;
    m_jobState = job;
    m_job = QThread::create([job, input, texts = m_context.texts] {
        try {
            job->bytes = Report_Bytes(job->file, input, texts, [&job](int percent) {
                job->percent = percent;
                return !job->cancel;
            });
        } catch (const BrivantError &e) {
            job->error = e.text();
        } catch (const std::bad_alloc &) {
            job->error = QStringLiteral("%1: not enough memory to lay out the report").arg(QDir::toNativeSeparators(job->file));
        }
    });
    connect(m_job, &QThread::finished, this, &ProfibusMapPage::reportFinished);
    m_reportDone->setText(m_context.text(TextId::Report_Writing));
    showReportRunning(true);
    m_job->start();
}

void ProfibusMapPage::reportFinished()
{
    m_job->wait();
    delete m_job;
    m_job = nullptr;
    const std::shared_ptr<ReportJob> job = std::move(m_jobState);
    showReportRunning(false);
    // A Cancel clicked before the result arrived wins: nothing is written.
    if (job->cancel || (!job->bytes && job->error.isEmpty())) {
        m_reportDone->setText(m_context.text(TextId::Report_Cancelled));
        return;
    }
    m_reportDone->clear();
    try {
        if (!job->error.isEmpty())
            throw FileError(job->error);
        Write_File_Safely(job->file, *job->bytes);
    } catch (const BrivantError &e) {
        m_context.services.messages->generalError(e.text());
        return;
    }
    m_reportDone->setText(m_context.text(TextId::Map_ReportWritten) + QDir::toNativeSeparators(job->file));
}
