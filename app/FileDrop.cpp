#include "app/FileDrop.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

FileDrop::FileDrop(QWidget *widget, Handler handler)
    : QObject(widget)
    , m_handler(std::move(handler))
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        area->viewport()->installEventFilter(this);
}

FileDrop::~FileDrop() = default;

QStringList FileDrop::localFiles(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls)
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

bool FileDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (localFiles(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = localFiles(drop->mimeData());
        if (paths.isEmpty())
            break;
        drop->acceptProposedAction();
        if (m_handler)
            m_handler(paths);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
