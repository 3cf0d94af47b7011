#pragma once

#include "received_records.h"

#include <QMainWindow>

#include <memory>

class QComboBox;
class QPlainTextEdit;
class QProgressBar;
class QTabWidget;
class QThread;
class QTreeWidget;
class RatingChart;

// The reader's window: the class by student and assignment, every response to one question with
// a chart of its ratings, and one student's transcript. Files and folders are read in a thread of
// their own, so the window answers while a large class loads.
class ReaderWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ReaderWindow(QWidget *parent = nullptr);
    ~ReaderWindow() override;

    // Reads the files and folders at `paths` in place of what the window shows.
    void open(const QStringList &paths);
    // Reads the files shown again into a CSV file at `path`, as `q_a_reader --csv` does; a
    // message tells when it cannot be written.
    void exportCsv(const QString &path);

    const QList<ReceivedStudent> &students() const { return m_students; }

signals:
    // The files given to `open` are read and shown.
    void loaded();
    // The CSV file asked for is written, or not.
    void exported(bool written);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createActions();
    QWidget *createClassTab();
    QWidget *createQuestionTab();
    QWidget *createStudentTab();
    void startWork(const QString &status, const std::function<void(const ReadProgress &)> &work);
    void setBusy(bool busy);
    void showClass(QList<ReceivedStudent> students);
    void showAssignment();
    void showQuestion();
    void showStudent();
    void chooseFolder();
    void chooseFiles();
    void chooseCsv();
    void saveChart();

    QStringList m_paths; // of what is shown
    QList<ReceivedStudent> m_students;
    std::unique_ptr<QThread> m_worker;
    QList<QAction *> m_openActions;
    QAction *m_exportAction = nullptr;
    QAction *m_saveChartAction = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTreeWidget *m_classView = nullptr;
    QPlainTextEdit *m_problems = nullptr;
    QComboBox *m_assignment = nullptr;
    QComboBox *m_question = nullptr;
    RatingChart *m_chart = nullptr;
    QPlainTextEdit *m_responses = nullptr;
    QComboBox *m_student = nullptr;
    QPlainTextEdit *m_transcript = nullptr;
    QProgressBar *m_progress = nullptr;
};
