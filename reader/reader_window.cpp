#include "reader_window.h"

#include "csv_export.h"
#include "rating_chart.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>

using namespace Qt::Literals::StringLiterals;

namespace {

QString shownDate(QDate date)
{
    return date.toString(Qt::ISODate);
}

QString ratingText(const ReceivedRecord &record)
{
    // A cancelled prompt leaves the rating empty.
    const QString rating = record.rating.isEmpty() ? QObject::tr("not given") : record.rating;
    switch (record.ratingKind) {
    case RatingKind::Confidence:
        return QObject::tr("confidence %1").arg(rating);
    case RatingKind::SelfCritique:
        return QObject::tr("self critique %1").arg(rating);
    case RatingKind::None:
        break;
    }
    return QObject::tr("no rating asked");
}

// The text indented under its heading line.
QString indented(const QString &text)
{
    return u"    "_s + QString(text).replace(u'\n', u"\n    "_s);
}

QString transcriptOf(const ReceivedStudent &student)
{
    QString text;
    for (const ReceivedSession &session : student.sessions) {
        if (session.line > 0)
            text += QObject::tr("Assignment %1, %2 (%3, line %4)\n")
                            .arg(session.assignment, shownDate(session.date), session.file)
                            .arg(session.line);
        else
            text += QObject::tr("Notes (%1)\n").arg(session.file);
        for (const ReceivedRecord &record : session.records) {
            const QString time = record.time.toString(u"hh:mm:ss"_s);
            if (record.kind == RecordKind::Note) {
                text += QObject::tr("  %1 note at: %2\n").arg(time, record.scriptLine);
                text += indented(record.text) + u'\n';
            } else {
                text += QObject::tr("  %1 response to: %2\n").arg(time, record.scriptLine);
                text += indented(record.text) + u'\n';
                text += QObject::tr("    (%1)\n").arg(ratingText(record));
            }
        }
        text += u'\n';
    }
    return text;
}

// What the class view shows of a group of sessions.
struct Tally
{
    int sessions = 0;
    int responses = 0;
    int notes = 0;
    QDate last;

    void add(const ReceivedSession &session)
    {
        sessions += session.line > 0;
        last = std::max(last, session.date);
        for (const ReceivedRecord &record : session.records) {
            const bool isNote = record.kind == RecordKind::Note;
            responses += !isNote;
            notes += isNote;
            last = std::max(last, record.noted.date());
        }
    }

    QTreeWidgetItem *addRow(QTreeWidgetItem *item, const QString &name, int problems) const
    {
        const QStringList columns {name,
                                   QString::number(sessions),
                                   QString::number(responses),
                                   QString::number(notes),
                                   shownDate(last),
                                   QString::number(problems)};
        for (int column = 0; column < columns.size(); ++column) {
            item->setText(column, columns[column]);
            if (column > 0)
                item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
        return item;
    }
};

} // namespace

ReaderWindow::ReaderWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(tr("Physics II Reader"));
    setAcceptDrops(true);
    createActions();
    m_tabs = new QTabWidget;
    m_tabs->setAccessibleName(tr("Views"));
    m_tabs->addTab(createClassTab(), tr("&Class"));
    m_tabs->addTab(createQuestionTab(), tr("&Question"));
    m_tabs->addTab(createStudentTab(), tr("&Student"));
    setCentralWidget(m_tabs);
    m_progress = new QProgressBar;
    m_progress->setAccessibleName(tr("Students read"));
    m_progress->setVisible(false);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->showMessage(
            tr("Open a folder of received files, or drop files and folders here."));
    resize(sizeHint().expandedTo(QSize(900, 640)));
}

ReaderWindow::~ReaderWindow()
{
    // The working thread hands its result to this window.
    if (m_worker)
        m_worker->wait();
}

void ReaderWindow::createActions()
{
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    QAction *openFolder
            = fileMenu->addAction(tr("&Open folder..."), this, &ReaderWindow::chooseFolder);
    openFolder->setShortcut(QKeySequence::Open);
    QAction *openFiles
            = fileMenu->addAction(tr("Open &files..."), this, &ReaderWindow::chooseFiles);
    m_openActions = {openFolder, openFiles};
    m_exportAction = fileMenu->addAction(tr("&Export CSV..."), this, &ReaderWindow::chooseCsv);
    m_exportAction->setShortcut(tr("Ctrl+E"));
    m_saveChartAction
            = fileMenu->addAction(tr("Save &chart as picture..."), this, &ReaderWindow::saveChart);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("&Quit"), qApp, &QApplication::closeAllWindows)
            ->setShortcut(QKeySequence::Quit);
    m_exportAction->setEnabled(false);
    m_saveChartAction->setEnabled(false);
}

QWidget *ReaderWindow::createClassTab()
{
    m_classView = new QTreeWidget;
    m_classView->setObjectName(u"classView"_s);
    m_classView->setAccessibleName(tr("Class"));
    m_classView->setHeaderLabels({tr("Student / assignment"), tr("Sessions"), tr("Responses"),
                                  tr("Notes"), tr("Last date"), tr("Problems")});
    m_classView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_classView->header()->setStretchLastSection(false);
    connect(m_classView, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        QTreeWidgetItem *studentItem = item->parent() ? item->parent() : item;
        m_student->setCurrentIndex(m_classView->indexOfTopLevelItem(studentItem));
        m_tabs->setCurrentIndex(2);
    });
    m_problems = new QPlainTextEdit;
    m_problems->setObjectName(u"problems"_s);
    m_problems->setReadOnly(true);
    m_problems->setAccessibleName(tr("Problems"));
    m_problems->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto *splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_classView);
    auto *problemsBox = new QWidget;
    auto *layout = new QVBoxLayout(problemsBox);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(tr("&Problems and files not read:"));
    label->setBuddy(m_problems);
    layout->addWidget(label);
    layout->addWidget(m_problems);
    splitter->addWidget(problemsBox);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    return splitter;
}

QWidget *ReaderWindow::createQuestionTab()
{
    m_assignment = new QComboBox;
    m_assignment->setObjectName(u"assignment"_s);
    m_assignment->setAccessibleName(tr("Assignment"));
    m_question = new QComboBox;
    m_question->setObjectName(u"question"_s);
    m_question->setAccessibleName(tr("Question"));
    m_question->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_question->setMinimumContentsLength(40);
    m_chart = new RatingChart;
    m_chart->setObjectName(u"chart"_s);
    m_responses = new QPlainTextEdit;
    m_responses->setObjectName(u"responses"_s);
    m_responses->setReadOnly(true);
    m_responses->setAccessibleName(tr("Responses"));
    connect(m_assignment, &QComboBox::currentIndexChanged, this, &ReaderWindow::showAssignment);
    connect(m_question, &QComboBox::currentIndexChanged, this, &ReaderWindow::showQuestion);

    auto *tab = new QWidget;
    auto *form = new QFormLayout;
    form->addRow(tr("&Assignment:"), m_assignment);
    form->addRow(tr("Q&uestion:"), m_question);
    form->addRow(tr("Ratings:"), m_chart);
    auto *layout = new QVBoxLayout(tab);
    layout->addLayout(form);
    auto *label = new QLabel(tr("&Responses, student by student:"));
    label->setBuddy(m_responses);
    layout->addWidget(label);
    layout->addWidget(m_responses, 1);
    return tab;
}

QWidget *ReaderWindow::createStudentTab()
{
    m_student = new QComboBox;
    m_student->setObjectName(u"student"_s);
    m_student->setAccessibleName(tr("Student"));
    m_transcript = new QPlainTextEdit;
    m_transcript->setObjectName(u"transcript"_s);
    m_transcript->setReadOnly(true);
    m_transcript->setAccessibleName(tr("Transcript"));
    connect(m_student, &QComboBox::currentIndexChanged, this, &ReaderWindow::showStudent);

    auto *tab = new QWidget;
    auto *form = new QFormLayout;
    form->addRow(tr("S&tudent:"), m_student);
    auto *layout = new QVBoxLayout(tab);
    layout->addLayout(form);
    layout->addWidget(m_transcript, 1);
    return tab;
}

void ReaderWindow::open(const QStringList &paths)
{
    startWork(tr("Reading..."), [this, paths](const ReadProgress &progress) {
        QList<ReceivedStudent> students = readReceived(paths, progress);
        QMetaObject::invokeMethod(this, [this, paths, students = std::move(students)]() mutable {
            m_paths = paths;
            showClass(std::move(students));
        });
    });
}

void ReaderWindow::exportCsv(const QString &path)
{
    startWork(tr("Exporting..."), [this, path, paths = m_paths](const ReadProgress &progress) {
        // The files' problems are shown already; the CSV file's own comes last.
        QString lastProblem;
        const auto problem = [&](const QString &line) {
            lastProblem = line;
        };
        const ExportStatus status = ::exportCsv(path, paths, problem, progress);
        QMetaObject::invokeMethod(this, [this, path, status, lastProblem] {
            setBusy(false);
            const bool written = status != ExportStatus::NotWritten;
            if (written)
                statusBar()->showMessage(tr("Exported to %1").arg(QDir::toNativeSeparators(path)));
            else
                QMessageBox::warning(
                        this, windowTitle(),
                        tr("Could not write %1. Nothing was exported.").arg(lastProblem));
            emit exported(written);
        });
    });
}

void ReaderWindow::startWork(const QString &status,
                             const std::function<void(const ReadProgress &)> &work)
{
    // One at a time: the actions and drops wait for it, a caller here too.
    if (m_worker)
        m_worker->wait();
    setBusy(true);
    statusBar()->showMessage(status);
    m_worker.reset(QThread::create([this, work] {
        work([this](qsizetype done, qsizetype total) {
            QMetaObject::invokeMethod(this, [this, done, total] {
                m_progress->setRange(0, int(total));
                m_progress->setValue(int(done));
            });
        });
    }));
    m_worker->start();
}

void ReaderWindow::setBusy(bool busy)
{
    for (QAction *action : m_openActions)
        action->setEnabled(!busy);
    m_exportAction->setEnabled(!busy && !m_paths.isEmpty());
    setAcceptDrops(!busy);
    m_progress->setRange(0, 0);
    m_progress->setVisible(busy);
}

void ReaderWindow::showClass(QList<ReceivedStudent> students)
{
    m_students = std::move(students);
    m_classView->clear();
    QStringList problems;
    std::set<QString> assignments;
    int fileProblems = 0;
    for (const ReceivedStudent &student : m_students) {
        std::map<QString, Tally> byAssignment;
        Tally all;
        for (const ReceivedSession &session : student.sessions) {
            all.add(session);
            byAssignment[session.line > 0 ? session.assignment : QString()].add(session);
            if (session.line > 0)
                assignments.insert(session.assignment);
        }
        const int count = int(student.problems.size() + student.skipped.size());
        QTreeWidgetItem *item = all.addRow(new QTreeWidgetItem(m_classView), student.name, count);
        for (const auto &[assignment, tally] : byAssignment) {
            const QString name
                    = assignment.isNull() ? tr("notes file") : tr("assignment %1").arg(assignment);
            tally.addRow(new QTreeWidgetItem(item), name, 0);
        }
        for (const ReadProblem &problem : student.skipped + student.problems)
            problems.append(problemLine(problem));
        fileProblems += count;
    }
    m_classView->expandAll();
    for (int column = 1; column < m_classView->columnCount(); ++column)
        m_classView->resizeColumnToContents(column);
    m_problems->setPlainText(problems.join(u'\n'));

    const QSignalBlocker blockAssignment(m_assignment);
    const QSignalBlocker blockStudent(m_student);
    m_assignment->clear();
    for (const QString &assignment : assignments)
        m_assignment->addItem(assignment);
    m_student->clear();
    for (const ReceivedStudent &student : m_students)
        m_student->addItem(student.name);
    showAssignment();
    showStudent();

    setBusy(false);
    m_saveChartAction->setEnabled(true);
    statusBar()->showMessage(tr("%n student(s), ", nullptr, int(m_students.size()))
                             + tr("%n problem(s)", nullptr, fileProblems));
    emit loaded();
}

void ReaderWindow::showAssignment()
{
    const QString assignment = m_assignment->currentText();
    QStringList questions;
    for (const ReceivedStudent &student : m_students)
        for (const ReceivedSession &session : student.sessions)
            if (session.line > 0 && session.assignment == assignment)
                for (const ReceivedRecord &record : session.records)
                    if (record.kind == RecordKind::Response
                        && !questions.contains(record.scriptLine))
                        questions.append(record.scriptLine);
    const QSignalBlocker block(m_question);
    m_question->clear();
    for (const QString &question : questions) {
        m_question->addItem(question.isEmpty() ? tr("(before the first question)") : question,
                            question);
        m_question->setItemData(m_question->count() - 1, question, Qt::ToolTipRole);
    }
    showQuestion();
}

void ReaderWindow::showQuestion()
{
    const QString assignment = m_assignment->currentText();
    const QString question = m_question->currentData().toString();
    RatingChart::Counts counts {};
    QString text;
    for (const ReceivedStudent &student : m_students) {
        for (const ReceivedSession &session : student.sessions) {
            if (session.line == 0 || session.assignment != assignment)
                continue;
            for (const ReceivedRecord &record : session.records) {
                if (record.kind != RecordKind::Response || record.scriptLine != question)
                    continue;
                ++counts[RatingChart::barOf(record.rating, record.ratingKind != RatingKind::None)];
                text += tr("%1, %2 %3 (%4)\n")
                                .arg(student.name, shownDate(session.date),
                                     record.time.toString(u"hh:mm:ss"_s), ratingText(record));
                text += indented(record.text) + u"\n\n"_s;
            }
        }
    }
    m_chart->setCounts(counts);
    m_responses->setPlainText(text);
}

void ReaderWindow::showStudent()
{
    const qsizetype index = m_student->currentIndex();
    m_transcript->setPlainText(index >= 0 ? transcriptOf(m_students[index]) : QString());
}

void ReaderWindow::chooseFolder()
{
    const QString folder
            = QFileDialog::getExistingDirectory(this, tr("Open a folder of received files"));
    if (!folder.isEmpty())
        open({folder});
}

void ReaderWindow::chooseFiles()
{
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Open received files"));
    if (!files.isEmpty())
        open(files);
}

void ReaderWindow::chooseCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), u"responses.csv"_s,
                                                      tr("CSV files (*.csv)"));
    if (!path.isEmpty())
        exportCsv(path);
}

void ReaderWindow::saveChart()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save chart as picture"),
                                                      u"ratings.png"_s, tr("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    // At twice the screen's pixels, sharp in print.
    const qreal scale = 2 * m_chart->devicePixelRatioF();
    QImage image(m_chart->size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    m_chart->render(&image);
    if (!image.save(path, "PNG"))
        QMessageBox::warning(this, windowTitle(),
                             tr("Could not write %1.").arg(QDir::toNativeSeparators(path)));
}

void ReaderWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ReaderWindow::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        open(paths);
    }
}
