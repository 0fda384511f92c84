#pragma once

// Dismisses every message box as soon as it is open, noting its caption and
// text and, first, running whatever the test wants done while it is open.
// The boxes are real QMessageBoxes in their own modal loops; the polling
// timer runs inside those loops.

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <functional>
#include <ostream>
#include <vector>

class MessageBoxes {
public:
    struct Shown {
        QString caption;
        QString text;
        friend bool operator==(const Shown&, const Shown&) = default;
        friend void PrintTo(const Shown& s, std::ostream* os)
        {
            *os << s.caption.toStdString() << " / " << s.text.toStdString();
        }
    };
    std::vector<Shown> shown;
    std::function<void(QMessageBox&)> whileOpen;

    // A poll interval of 0 dismisses a box on the first turn of its loop.
    explicit MessageBoxes(int pollIntervalMs = 5)
    {
        timer_.setInterval(pollIntervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { dismiss(); });
        timer_.start();
    }

    std::vector<QString> texts() const
    {
        std::vector<QString> t;
        for (const Shown& s : shown)
            t.push_back(s.text);
        return t;
    }

private:
    void dismiss()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || busy_)
            return;
        busy_ = true;
        shown.push_back({box->windowTitle(), box->text()});
        if (whileOpen)
            whileOpen(*box);
        box->accept();
        busy_ = false;
    }

    QTimer timer_;
    bool busy_ = false;
};
