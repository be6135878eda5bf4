#include "RowIconDelegate.h"

#include "ServerListModel.h"

RowIconDelegate::RowIconDelegate(const ImageList& icons, QObject* parent)
    : QStyledItemDelegate(parent), Icons(icons) {}

void RowIconDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != 0)
        return;
    const QVariant image = index.data(ServerListModel::ImageIndexRole);
    if (!image.isValid())
        return;
    const int i = image.toInt();
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(16, 16);
    option->icon = i >= 0 && i < Icons.size() ? Icons[i] : QIcon();
}
