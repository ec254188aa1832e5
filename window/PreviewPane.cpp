#include "PreviewPane.h"

#include "selection/FileList.h"
#include "selection/PreviewRunner.h"
#include "window/Controls.h"
#include "window/frmVarnex.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace varnex {

// The draggable left edge.
class PreviewPane::Edge final : public QWidget {
public:
    explicit Edge(PreviewPane& pane) : QWidget(&pane), pane_(pane) {
        setCursor(Qt::SizeHorCursor);
        setFixedWidth(6);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        startX_ = event->globalPosition().x();
        startWidth_ = pane_.width();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (event->buttons() & Qt::LeftButton)
            Q_EMIT pane_.widthDragged(int(startWidth_ + startX_ - event->globalPosition().x()));
    }

private:
    PreviewPane& pane_;
    double startX_ = 0;
    int startWidth_ = 0;
};

PreviewPane::PreviewPane(PreviewRunner& runner, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("previewPane"));
    setAccessibleName(tr("Preview New Names"));
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("previewTable"));
    table->setAccessibleName(tr("Preview"));
    table->setModel(&runner.model());
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->verticalHeader()->hide();
    // Every row is one line: the table never measures a hundred thousand rows.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("previewSummary"));
    summary->setAccessibleName(tr("Preview summary"));
    summary->setTextFormat(Qt::PlainText);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(table, 1);
    column->addWidget(summary);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 8, 8, 8);
    row->setSpacing(2);
    row->addWidget(new Edge(*this));
    row->addLayout(column, 1);

    connect(&runner, &PreviewRunner::summaryChanged, summary, &QLabel::setText);
    connect(&runner.model(), &QAbstractItemModel::modelReset, this,
            [this] { summary->setText(QStringLiteral("\u2026")); });
    // The widths of the first columns follow the first rows, once per computation.
    connect(&runner, &PreviewRunner::firstRows, this, [this] {
        const int share = qMax(60, table->viewport()->width() * 2 / 7);
        table->setColumnWidth(0, share);
        table->setColumnWidth(1, share);
    });
}

} // namespace varnex

namespace varnex {

void watchChoices(frmVarnex& w, PreviewRunner& runner) {
    const auto schedule = [&runner] {
        runner.schedule();
    };
    for (TextBoxEdit* box : {w.txtFind, w.txtReplace, w.txtPrepend, w.txtPostpend})
        QObject::connect(box, &QLineEdit::textChanged, &runner, schedule);
    for (QCheckBox* box :
         {static_cast<QCheckBox*>(w.chkCaseSensitive), static_cast<QCheckBox*>(w.chkRecursive),
          static_cast<QCheckBox*>(w.chkReadOnly), static_cast<QCheckBox*>(w.chkHidden),
          static_cast<QCheckBox*>(w.chkSystem)})
        QObject::connect(box, &QCheckBox::stateChanged, &runner, schedule);
    for (const OptionArray array :
         {OptionArray::FolderFile, OptionArray::TypeOfRename, OptionArray::IncludeExtension,
          OptionArray::PostpendPosition, OptionArray::ConvertCase})
        QObject::connect(w.optionGroup(array), &QButtonGroup::idToggled, &runner, schedule);
    // A changed list may name files the folders read so far do not show: read them again.
    QAbstractItemModel* list = w.lstFiles->model();
    const auto reread = [&runner] {
        runner.reread();
    };
    QObject::connect(list, &QAbstractItemModel::rowsInserted, &runner, reread);
    QObject::connect(list, &QAbstractItemModel::rowsRemoved, &runner, reread);
    QObject::connect(list, &QAbstractItemModel::modelReset, &runner, reread);
    QObject::connect(list, &QAbstractItemModel::dataChanged, &runner, reread);
}

} // namespace varnex
