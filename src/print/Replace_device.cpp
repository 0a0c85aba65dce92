#include "print/Replace_device.h"

#include "library/Binary_io.h"

void ReplaceDevice::Attach(lib::io::BinaryOutputStream& out) {
    out_ = &out;
    open(QIODevice::WriteOnly);
}

void ReplaceDevice::RaiseFailure() const {
    if (failure_)
        std::rethrow_exception(failure_);
}

qint64 ReplaceDevice::writeData(const char* data, qint64 size) {
    if (failure_ || !out_)
        return -1;
    try {
        out_->write(data, static_cast<std::size_t>(size));
        return size;
    } catch (...) {
        failure_ = std::current_exception();
        return -1;
    }
}
