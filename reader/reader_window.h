#pragma once

#include <QMainWindow>

// The reader's window: the class, every response to one question, one student's transcript.
class ReaderWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ReaderWindow(QWidget *parent = nullptr);
};
