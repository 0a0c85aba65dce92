#pragma once
// Storage, the document: the data model (FileStorage) and the event journal (LogStorage) of one
// read or one opened file, bound to the file's name and the modified flag; a read's recording is
// adopted whole, and the views hear of every change. Formats (formats/) read and write them; the
// document reports a failed open, save or export to its Reporter.
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "datafile/Recording.h"
#include "document/Reporter.h"
#include "formats/Formats.h"

class Storage {
public:
    explicit Storage(Reporter& reporter);
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // All return false after a failure, which has been reported. Save writes a data family
    // (chosen by path's name) with the journal beside it; Export writes the file of an export
    // and leaves the name and the modified flag as they were, and never writes over a file of
    // the opened document. The journal beside path is left as it is when it is the very file
    // the document's journal was read from (another data file's name may share it): it holds
    // this journal, and rewriting it would drop what the reader skips and round its values;
    // SaveNotes() then says so.
    bool Open(const std::string& path);
    // Open for a conversion: the records stay in the file and are read again by each Save or
    // Export, so a document of any size is written in flat memory. Such a document has no
    // records to show (Data().item() finds none) and is never saved over its own files.
    bool OpenStreamed(const std::string& path);
    // Open in two halves, so that the files are read on another thread. Load reads path's files
    // into a recording away from the document: it throws what Open would report, and
    // LoadStopped once the recording's load stop is set. Opened then leaves the document as
    // Open would have: the loaded recording taken over, or for the failure Load threw, the
    // document emptied and the failure reported.
    static void Load(Recording& into, const std::string& path);
    bool Opened(const std::string& path, Recording& loaded, const std::exception_ptr& failure);
    bool Save(const std::string& path);
    // What the last save did beyond the asked (the user is told, but nothing failed).
    const std::vector<std::string>& SaveNotes() const { return save_notes_; }
    // The files beside path that a save of it would replace (journal, run file) and that belong
    // to another file: those there when path is not (the user agreed to replace path, whose
    // companions they would be), unless they are this document's own.
    std::vector<std::string> ForeignCompanions(const std::string& path) const;
    bool Export(const std::string& path, const FileFormat& format,
                const ExportOptions& options = {});
    // Takes over a recording made away from the document: its records, parameters, text lines,
    // remarks, load notes, run information and journal replace the document's own (nothing of
    // a file opened before stays with a read), and the recording is left empty; the sensor type
    // is the recording's own (a read has none) and the unit is empty. The document is then
    // named file_name (empty after a read: it has no file yet, and a save must not go over the
    // file opened before it) and marked modified or not, and its views are told once.
    void Adopt(Recording& recording, std::string file_name, bool modified);
    void MarkRead() { modified_ = true; }

    // Called after every change of the document's content (an open, an adopted recording) on the
    // thread that made it, the window's: its views refresh from it once.
    void OnChange(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }
    // Called before an open or an adoption changes the content, on the same thread: whatever
    // reads the content on another thread stops there.
    void OnBeforeChange(std::function<void()> listener) {
        before_listeners_.push_back(std::move(listener));
    }

    // Unsaved read data: a read that was not saved since, and that holds records or events.
    bool IsModified() const { return modified_ && (HasData() || journal_.Count() > 0); }
    const std::string& FileName() const { return file_name_; }
    const std::string& SensorType() const { return sensor_type_; }
    const std::string& Unit() const { return unit_; }
    bool HasData() const { return data_.item_count() > 0; }

    FileStorage& Data() { return data_; }
    const FileStorage& Data() const { return data_; }
    LogStorage& Journal() { return journal_; }
    const LogStorage& Journal() const { return journal_; }
    int JournalCount() const { return journal_.Count(); }
    std::string JournalCellText(int column, int row) const {
        return journal_.CellText(column, row);
    }
    static std::string JournalColumnTitle(int index) { return LogStorage::ColumnTitle(index); }

    // The journal beside a data file: the file name without its last extension, plus ".dat".
    static std::string JournalPath(const std::string& data_path);
    // Every file an open of data_path reads: the data file's own (data_files_of) and the journal.
    static std::vector<std::string> Files(const std::string& data_path);
    // Every file a save of data_path replaces: the data file, its companions (companions_of) and
    // the journal.
    static std::vector<std::string> SaveTargets(const std::string& data_path);
    // The one of Files(data_path) that target names, however it is spelt (through links, "./",
    // another hard link); empty for none. A print or an export never goes there: it would
    // destroy what was opened.
    static std::string OwnFile(const std::string& data_path, const std::string& target);
    // Why target, the document's file own, is not written over: what the user reads.
    static std::string OwnFileRefusal(const std::string& target, const std::string& own);

private:
    bool OpenWith(const std::string& path, bool streamed);
    bool Guarded(const std::string& prefix, const std::function<void()>& action);
    // What an open that ended ok or not leaves besides the content.
    bool opened(const std::string& path, bool ok);
    // The recording's records, parameters, text lines, remarks, notes, run and journal replace
    // the document's own; the recording is left empty.
    void take_over(Recording& recording);
    void Changed() const;

    Reporter& reporter_;
    std::string file_name_;
    // The file the journal was read from by the open; empty after a read. (Not the file of a
    // save: another save may have written that one since.)
    std::string journal_file_;
    std::vector<std::string> save_notes_;
    bool modified_ = false;
    FileStorage data_;
    LogStorage journal_;
    std::string sensor_type_;
    std::string unit_;
    std::vector<std::function<void()>> listeners_;
    std::vector<std::function<void()>> before_listeners_;
};
