// Drops on the local views. Only items dragged from the remote list are taken, and they ask for a
// download; anything else dropped here is refused, so no drop moves or copies local files by surprise.
#include "gui/localpanel/LocalPanel.h"

#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QDataStream>
#include <QDropEvent>
#include <QMimeData>

namespace {

const QString itemListFormat = QStringLiteral("application/x-qabstractitemmodeldatalist");

// Whether every item in the item-model data is a row of `list` with the same text as now. Only the
// remote list's own drag carries such data: a file manager sends URLs, another program's list other rows.
bool describesRowsOf(const QListWidget& list, const QByteArray& data) {
    QDataStream stream(data);
    int items = 0;
    while (!stream.atEnd()) {
        int row = -1;
        int column = -1;
        QMap<int, QVariant> roles;
        stream >> row >> column >> roles;
        if (stream.status() != QDataStream::Ok || column != 0 || row < 0 || row >= list.count()) return false;
        if (roles.value(Qt::DisplayRole).toString() != list.item(row)->text()) return false;
        ++items;
    }
    return items > 0;
}

} // namespace

void LocalPanel::setUpDrops() {
    for (QWidget* target : {m_ui.LocalFileList->viewport(), m_ui.ShellTree->viewport()})
        target->installEventFilter(this);
}

bool LocalPanel::isRemoteDrag(const QDropEvent& event) const {
    // Qt names the source of a drag that began in this program; a drag from outside has none.
    if (QObject* source = event.source()) return source == m_ui.FTPFilesList;
    const QMimeData* data = event.mimeData();
    return data && data->hasFormat(itemListFormat) &&
           describesRowsOf(*m_ui.FTPFilesList, data->data(itemListFormat));
}

bool LocalPanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (isRemoteDrag(*drag) && (drag->possibleActions() & Qt::CopyAction)) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!isRemoteDrag(*drop)) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        userAction(m_window, [this] { emit remoteItemsDropped(); });
        return true;
    }
    case QEvent::DragLeave:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
