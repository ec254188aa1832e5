#include "PreviewComputer.h"

#include "platform/Text.h"

#include <QElapsedTimer>
#include <QLocale>

namespace varnex {

namespace {

// The choices of one request, fixed for the whole run.
class FixedChoices final : public RenameChoices {
public:
    explicit FixedChoices(const PreviewRequest& r) : r_(r) {}
    RenameOptions renameOptions() const override { return r_.options; }
    AttributeChoices attributeChoices() const override { return r_.allowed; }
    bool recursive() const override { return r_.recursive; }

private:
    const PreviewRequest& r_;
};

// The user who lets the run go on: Ignore to every failure, Yes to every name too long.
class GoOnAnswers final : public MessageBox {
public:
    Button show(const Message& message) override {
        switch (message.buttons) {
        case Buttons::AbortRetryIgnore:
            return Button::Ignore;
        case Buttons::YesNo:
            return Button::Yes;
        default:
            return Button::Ok;
        }
    }
};

// A copy of the list that a run renames in.
class ListCopy final : public FileListAccess {
public:
    ListCopy(QStringList entries, QList<FolderIdentity> folders)
        : entries_(std::move(entries)), folders_(std::move(folders)) {}
    QList<EntryId> entryIds() const override {
        QList<EntryId> ids(entries_.size());
        for (qsizetype i = 0; i < ids.size(); ++i)
            ids[i] = EntryId(i);
        return ids;
    }
    std::optional<QString> entryText(EntryId id) const override { return entries_.at(id); }
    int rowOf(EntryId id) const override { return int(id); }
    void setEntryText(EntryId id, const QString& text) override { entries_[id] = text; }
    FolderIdentity entryFolder(EntryId id) const override { return folders_.value(id); }

private:
    QStringList entries_;
    QList<FolderIdentity> folders_;
};

// Turns what the engine reports into rows, handing them on in batches: the first screenful
// as soon as it is there, then a batch every tenth of a second.
class RowCollector final : public RenameObserver, public EventPump {
public:
    RowCollector(qsizetype nameFrom, const PreviewComputer::Cancelled& c,
                 const PreviewComputer::Rows& rows, PreviewSummary& summary)
        : nameFrom_(nameFrom), cancelled_(c), rows_(rows), summary_(summary) {
        clock_.start();
    }
    void setEngine(RenameEngine* engine) { engine_ = engine; }

    void aboutToRename(const FolderIdentity&, const QString&, const QString&,
                       const QString&) override {}
    void renamed(const QString& folder, const QString& oldName, const QString& newName,
                 quint64) override {
        add(folder, oldName, newName,
            oldName == newName ? PreviewOutcome::SameName : PreviewOutcome::Rename);
    }
    void failed(const QString& folder, const QString& oldName, const QString& newName,
                int number) override {
        add(folder, oldName, newName, PreviewOutcome::Error).errorNumber = number;
    }
    void skipped(const QString& folder, const QString& name, quint32 attribute) override {
        add(folder, name, QString(), PreviewOutcome::Skipped).skippedBy = attribute;
    }
    void tooLong(const QString& folder, const QString& name, const QString& newName) override {
        add(folder, name, newName, PreviewOutcome::TooLong);
    }

    void processEvents() override {
        if (cancelled_ && cancelled_()) {
            if (engine_)
                engine_->StopRun = true;
            return;
        }
        const bool firstScreen = sent_ == 0 && pending_.size() >= 40;
        if (firstScreen || clock_.elapsed() >= nextSend_)
            flush();
    }

    void flush() {
        if (pending_.isEmpty())
            return;
        sent_ += pending_.size();
        nextSend_ = clock_.elapsed() + 100;
        rows_(std::move(pending_));
        pending_ = {};
    }

private:
    PreviewRow& add(const QString& folder, const QString& name, const QString& newName,
                    PreviewOutcome outcome) {
        switch (outcome) {
        case PreviewOutcome::Rename:
        case PreviewOutcome::SameName:
            ++summary_.toRename;
            break;
        case PreviewOutcome::Error:
        case PreviewOutcome::TooLong:
            ++summary_.errors;
            break;
        case PreviewOutcome::Skipped:
            ++summary_.skipped;
            break;
        }
        // Folder mode: relative to the chosen folder, which every folder of the walk starts with.
        const qsizetype from = folder.size() >= nameFrom_ ? nameFrom_ : 0;
        pending_.append({QStringView(folder).sliced(from) % name, newName, outcome, 0, 0});
        return pending_.last();
    }

    RenameEngine* engine_ = nullptr;
    qsizetype nameFrom_;
    const PreviewComputer::Cancelled& cancelled_;
    const PreviewComputer::Rows& rows_;
    PreviewSummary& summary_;
    QList<PreviewRow> pending_;
    qsizetype sent_ = 0;
    qint64 nextSend_ = 50;
    QElapsedTimer clock_;
};

QString attributeName(quint32 attribute) {
    switch (attribute) {
    case attr::ReadOnly:
        return PreviewComputer::tr("Read Only");
    case attr::Hidden:
        return PreviewComputer::tr("Hidden");
    default:
        return PreviewComputer::tr("System");
    }
}

QString count(qint64 n) {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    return locale.toString(n);
}

} // namespace

QString previewResultText(const PreviewRow& row) {
    switch (row.outcome) {
    case PreviewOutcome::Rename:
        return PreviewComputer::tr("rename");
    case PreviewOutcome::SameName:
        return PreviewComputer::tr("same name");
    case PreviewOutcome::Error:
        return PreviewComputer::tr("error %1: %2")
            .arg(row.errorNumber)
            .arg(fsError(row.errorNumber).description);
    case PreviewOutcome::TooLong:
        return PreviewComputer::tr("too long");
    case PreviewOutcome::Skipped:
        return PreviewComputer::tr("skipped (%1)").arg(attributeName(row.skippedBy));
    }
    return {};
}

QString previewSummaryText(const PreviewSummary& s) {
    if (!s.refusal.isEmpty())
        return s.refusal;
    return PreviewComputer::tr("%1 to rename").arg(count(s.toRename)) % u" \u00b7 " %
           (s.errors == 1 ? PreviewComputer::tr("1 error")
                          : PreviewComputer::tr("%1 errors", nullptr, pluralCount(s.errors))
                                .arg(count(s.errors))) %
           u" \u00b7 " %
           PreviewComputer::tr("%1 skipped", nullptr, pluralCount(s.skipped)).arg(count(s.skipped));
}

bool PreviewComputer::compute(const PreviewRequest& request, const Cancelled& cancelled,
                              const Rows& rows, PreviewSummary& summary) {
    summary = {};
    const RenameOptions& o = request.options;
    if (const std::optional<ValidationFailure> failure = ValidateTexts(
            {o.renameType, o.findText, o.replaceWith, o.prependText, o.postpendText})) {
        summary.refusal = failure->message;
        return true;
    }
    const FixedChoices choices(request);
    GoOnAnswers answers;
    const QString separator = nativeSeparator();
    const QString top = request.folder.endsWith(separator) || request.folder.isEmpty()
                            ? request.folder
                            : request.folder % separator;
    RowCollector collector(request.mode == SelectionMode::Folder ? top.size() : 0, cancelled, rows,
                           summary);
    // The engine lets events run after every file: that is where the rows are handed on and
    // a cancel is noticed.
    RenameEngine run(fs_, answers, collector, choices);
    run.setObserver(&collector);
    collector.setEngine(&run);
    run.startRun();
    switch (request.mode) {
    case SelectionMode::Files: {
        ListCopy list(request.entries, request.entryFolders);
        run.renameList(list);
        break;
    }
    case SelectionMode::Folder: {
        int dirCount = 0;
        run.FindFilesAPI(request.folder, QStringLiteral("*.*"), dirCount);
        break;
    }
    case SelectionMode::None:
        break;
    }
    const bool wanted = !(cancelled && cancelled());
    if (wanted)
        collector.flush();
    return wanted;
}

} // namespace varnex
