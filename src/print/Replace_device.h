#pragma once
// ReplaceDevice: what Qt's PDF writer writes, handed to the stream of a replace of files. The
// writer does not look at what its device's writes return (a full disk would leave a cut PDF
// that looks complete), so the device keeps the first failure, refuses every later write, and
// raises the failure once the writer is done.
#include <QIODevice>

#include <exception>

namespace lib::io {
class BinaryOutputStream;
}

class ReplaceDevice : public QIODevice {
public:
    void Attach(lib::io::BinaryOutputStream& out);
    // Raises the first failure of a write, if any.
    void RaiseFailure() const;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    lib::io::BinaryOutputStream* out_ = nullptr;
    std::exception_ptr failure_;
};
