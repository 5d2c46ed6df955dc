#pragma once

#include <QFileSystemModel>
#include <functional>

// The file-system model of the local views. Drags from it offer a copy only, so no drop target moves
// the user's files away. An in-place rename goes through the panel, which checks the name and reports
// a refusal.
class LocalFileModel : public QFileSystemModel {
    Q_OBJECT
public:
    using Renamer = std::function<bool(const QModelIndex& index, const QString& newName)>;

    explicit LocalFileModel(QObject* parent = nullptr) : QFileSystemModel(parent) {}

    void setRenamer(Renamer renamer) { m_renamer = std::move(renamer); }
    // Renames the item on disk and in the model at once.
    bool rename(const QModelIndex& index, const QString& newName) {
        return QFileSystemModel::setData(index, newName, Qt::EditRole);
    }

    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    Renamer m_renamer;
};
