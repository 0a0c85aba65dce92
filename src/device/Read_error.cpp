#include "device/Read_error.h"

#include "device/Port_name.h"
#include "library/Numstr.h"

namespace device {

namespace {

// "25", "0,3": the seconds of a wait as the user set it.
std::string seconds_text(std::uint32_t ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) : lib::number_to_text(ms / 1000.0, 1);
}

// The line after "Аппаратная ошибка при чтении данных" that says why; empty when the link
// could not tell.
std::string link_cause(const ReadFailure& failure) {
    switch (failure.cause) {
    case LinkFault::refused:
        return "Соединение отклонено: " + failure.port;
    case LinkFault::host_not_found: {
        TcpPeer peer;
        parse_tcp_name(failure.port, &peer);
        return "Адрес не найден: " + (peer.host.empty() ? failure.port : peer.host);
    }
    case LinkFault::no_answer:
        return "Нет ответа от датчика за " + seconds_text(failure.wait_ms) + " с";
    case LinkFault::dropped:
        return "Связь прервана после " + std::to_string(failure.records) + " " +
               records_after(failure.records);
    case LinkFault::none:
        break;
    }
    return {};
}

} // namespace

std::string records_after(std::size_t count) {
    return count % 10 == 1 && count % 100 != 11 ? "записи" : "записей";
}

std::string read_error_message(const ReadFailure& failure) {
    const std::string limit = std::to_string(failure.limit);
    switch (failure.kind) {
    case ReadErrorKind::port:
        return "Невозможно открыть COM-порт";
    case ReadErrorKind::link: {
        const std::string cause = link_cause(failure);
        return "Аппаратная ошибка при чтении данных" + (cause.empty() ? "" : "\n" + cause);
    }
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
    if (is_tcp_name(name)) {
        TcpPeer peer;
        if (parse_tcp_name(name, &peer) != PortNameFault::none)
            return name;
        return name + " (адрес " + peer.host + ", порт " + std::to_string(peer.port) + ")";
    }
    const std::string device = device_path(name);
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
    case OpenFault::administrator:
        return ": нет прав на доступ к устройству. Дать доступ к нему может только "
               "администратор";
    case OpenFault::busy:
        return ": устройство занято другой программой";
    case OpenFault::bad_name:
        return ": это не адрес:порт с номером порта от 1 до 65535";
    case OpenFault::other:
        return ": " + fault.system_text;
    case OpenFault::unknown:
        break;
    }
    return {};
}

} // namespace

std::string read_error_box_text(const ReadFailure& failure, const std::string& log_path,
                                std::size_t kept_records) {
    std::string text = read_error_text(failure);
    if (failure.kind == ReadErrorKind::port)
        text += "\n\nПорт " + port_text(failure.port) + open_fault_reason(failure.fault);
    if (kept_records > 0)
        text +=
            "\n\nЗаписи, считанные до ошибки, сохранены в окне: " + std::to_string(kept_records) +
            ". Их можно сохранить командой \"Сохранить как...\".";
    text += log_path.empty() ? "\n\nЖурнал обмена с датчиком не ведётся"
                             : "\n\nЖурнал обмена с датчиком: " + log_path;
    return text;
}

} // namespace device
