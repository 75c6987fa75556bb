#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QStringList>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Looks at the segmentation's progress dialog from inside the run: its zero timer fires at
// every event processing the solver does. Records what the dialog shows, and runs a
// scripted action at the n-th look (1 = the first event processing of the run).
class RunWatcher : public QObject {
    Q_OBJECT

public:
    struct Look {
        QString title, label, cancelText;
        int minimum = 0, maximum = 0, value = 0;
        bool visible = false;
        Qt::WindowModality modality = Qt::NonModal;
        QWidget *parent = nullptr;
    };

    RunWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &RunWatcher::look);
        m_timer.start(0);
    }

    void at(int look, std::function<void(QProgressDialog *)> action)
    {
        m_actions.append({look, std::move(action)});
    }

    QList<Look> looks;

private slots:
    void look()
    {
        QProgressDialog *dialog = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<QProgressDialog *>(w))
                dialog = d;
        if (!dialog)
            return;
        Look l;
        l.title = dialog->windowTitle();
        l.label = dialog->labelText();
        if (auto *button = dialog->findChild<QPushButton *>())
            l.cancelText = button->text();
        l.minimum = dialog->minimum();
        l.maximum = dialog->maximum();
        l.value = dialog->value();
        l.visible = dialog->isVisible();
        l.modality = dialog->windowModality();
        l.parent = dialog->parentWidget();
        looks.append(l);
        for (const auto &a : m_actions)
            if (a.first == looks.size())
                a.second(dialog);
    }

private:
    QTimer m_timer;
    QList<std::pair<int, std::function<void(QProgressDialog *)>>> m_actions;
};
