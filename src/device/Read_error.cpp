#include "device/Read_error.h"

namespace device {

std::string read_error_message(const ReadFailure& failure) {
    const std::string limit = std::to_string(failure.limit);
    switch (failure.kind) {
    case ReadErrorKind::port:
        return "Невозможно открыть COM-порт";
    case ReadErrorKind::link:
        return "Аппаратная ошибка при чтении данных";
    case ReadErrorKind::timeout:
        return "Датчик не ответил по истечению отведённого времени";
    case ReadErrorKind::protocol:
        return "Ответ датчика : ERR";
    case ReadErrorKind::long_reply:
        return "Ответ датчика слишком длинный: нет приглашения \"=>\" после " + limit + " байт";
    case ReadErrorKind::long_line:
        return "Строка ответа датчика слишком длинная: нет конца строки после " + limit + " байт";
    case ReadErrorKind::garbled:
        return "Датчик передаёт искажённые данные: более " + limit + " негодных кадров подряд";
    case ReadErrorKind::records_cap:
        return "Датчик передаёт записи без конца: прочитано " + limit + ", чтение остановлено";
    case ReadErrorKind::alarms_cap:
        return "Датчик передаёт журнал без конца: прочитано " + limit +
               " строк, чтение остановлено";
    case ReadErrorKind::other:
        return failure.text;
    case ReadErrorKind::cancelled:
        return "чтение прервано пользователем";
    case ReadErrorKind::bad_date:
    case ReadErrorKind::unknown:
        break;
    }
    return unknown_read_error;
}

std::string read_error_text(const ReadFailure& failure) {
    if (failure.kind == ReadErrorKind::bad_date || failure.kind == ReadErrorKind::unknown)
        return unknown_read_error;
    return read_error_prefix + read_error_message(failure);
}

std::string port_text(const std::string& name) {
    if (CommPort::IsTcpName(name)) {
        const CommPort::TcpPeer peer = CommPort::TcpPeerOf(name);
        return name + " (адрес " + peer.address + ", порт " + std::to_string(peer.port) + ")";
    }
    const std::string device = CommPort::DevicePath(name);
    return device == name ? name : name + " (устройство " + device + ")";
}

namespace {

std::string open_fault_reason(const OpenFault& fault) {
    switch (fault.reason) {
    case OpenFault::no_device:
        return ": нет такого устройства";
    case OpenFault::no_permission:
        return ": нет прав на доступ к устройству. Пользователь должен входить в группу " +
               (fault.group.empty() ? "(обычно dialout)" : "«" + fault.group + "»") +
               ", которой принадлежит устройство";
    case OpenFault::busy:
        return ": устройство занято другой программой";
    case OpenFault::other:
        return ": " + fault.system_text;
    case OpenFault::unknown:
        break;
    }
    return {};
}

} // namespace

std::string read_error_box_text(const ReadFailure& failure, const std::string& log_path) {
    std::string text = read_error_text(failure);
    if (failure.kind == ReadErrorKind::port)
        text += "\n\nПорт " + port_text(failure.port) + open_fault_reason(failure.fault);
    text += log_path.empty() ? "\n\nЖурнал обмена с датчиком не ведётся"
                             : "\n\nЖурнал обмена с датчиком: " + log_path;
    return text;
}

} // namespace device
