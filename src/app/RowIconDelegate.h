#pragma once

#include "Icons.h"

#include <QStyledItemDelegate>

// Draws a server row's ImageList2 picture before its name. A row without a picture keeps
// the icon's room, so the names stay in one column.
class RowIconDelegate : public QStyledItemDelegate {
public:
    RowIconDelegate(const ImageList& icons, QObject* parent);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const ImageList& Icons;
};
