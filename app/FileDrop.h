#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

// Lets files dropped from a file manager onto a window be opened, instead of
// their addresses being pasted into the text. Other drops (text) pass on.
class FileDrop : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QStringList &paths)>;

    // Watches `widget` and, for a scroll area such as a text editor, its viewport.
    FileDrop(QWidget *widget, Handler handler);
    ~FileDrop() override;

    static QStringList localFiles(const class QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};
