#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Read_error.h"

using device::OpenFault;
using device::ReadErrorKind;
using device::ReadFailure;

// The one place where the texts of a failed read are pinned: everything else asserts kinds.
TEST(ReadErrorTexts, EveryKindIsWordedAsTheUserSeesIt) {
    const std::string p = "Произошла ошибка:\n";
    const std::string unknown = "В процессе считывания данных произошла неизвестная ошибка";
    ReadFailure other(ReadErrorKind::other);
    other.text = "слишком много параметров";
    const std::vector<std::pair<ReadFailure, std::string>> table = {
        {ReadErrorKind::port, p + "Невозможно открыть COM-порт"},
        {ReadErrorKind::link, p + "Аппаратная ошибка при чтении данных"},
        {ReadErrorKind::timeout, p + "Датчик не ответил по истечению отведённого времени"},
        {ReadErrorKind::protocol, p + "Ответ датчика : ERR"},
        {{ReadErrorKind::long_reply, 65536},
         p + "Ответ датчика слишком длинный: нет приглашения \"=>\" после 65536 байт"},
        {{ReadErrorKind::long_line, 65536},
         p + "Строка ответа датчика слишком длинная: нет конца строки после 65536 байт"},
        {{ReadErrorKind::garbled, 1024},
         p + "Датчик передаёт искажённые данные: более 1024 негодных кадров подряд"},
        {{ReadErrorKind::records_cap, 50},
         p + "Датчик передаёт записи без конца: прочитано 50, чтение остановлено"},
        {{ReadErrorKind::alarms_cap, 20},
         p + "Датчик передаёт журнал без конца: прочитано 20 строк, чтение остановлено"},
        {ReadErrorKind::bad_date, unknown},
        {other, p + "слишком много параметров"},
        {ReadErrorKind::cancelled, p + "чтение прервано пользователем"},
        {ReadErrorKind::unknown, unknown},
    };
    ASSERT_EQ(table.size(), static_cast<std::size_t>(ReadErrorKind::unknown) + 1);
    for (const auto& [failure, text] : table) {
        EXPECT_EQ(device::read_error_text(failure), text) << static_cast<int>(failure.kind);
        EXPECT_STREQ(device::ReadError(failure).what(),
                     device::read_error_message(failure).c_str());
    }
}

TEST(ReadErrorTexts, TheBoxNamesThePortTheSystemsReasonAndTheLog) {
    EXPECT_EQ(device::port_text("COM3"), "COM3 (устройство /dev/ttyS2)");
    EXPECT_EQ(device::port_text("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(device::port_text("10.0.0.7:4001"), "10.0.0.7:4001 (адрес 10.0.0.7, порт 4001)");
    EXPECT_EQ(device::port_text("10.0.0.7:x"), "10.0.0.7:x (адрес 10.0.0.7, порт 22002)");

    const std::string head = "Произошла ошибка:\nНевозможно открыть COM-порт\n\nПорт COM1 "
                             "(устройство /dev/ttyS0)";
    const std::string log = "\n\nЖурнал обмена с датчиком: /home/op/vornell_comm.log";
    auto box = [](OpenFault::Reason reason, const std::string& group, const std::string& why) {
        ReadFailure f(ReadErrorKind::port);
        f.port = "COM1";
        f.fault = {reason, "/dev/ttyS0", group, why};
        return device::read_error_box_text(f, "/home/op/vornell_comm.log");
    };
    EXPECT_EQ(box(OpenFault::no_device, "", ""), head + ": нет такого устройства" + log);
    EXPECT_EQ(box(OpenFault::no_permission, "dialout", ""),
              head +
                  ": нет прав на доступ к устройству. Пользователь должен входить в группу "
                  "«dialout», которой принадлежит устройство" +
                  log);
    EXPECT_NE(box(OpenFault::no_permission, "", "").find("группу (обычно dialout)"),
              std::string::npos);
    EXPECT_EQ(box(OpenFault::busy, "", ""), head + ": устройство занято другой программой" + log);
    EXPECT_EQ(box(OpenFault::other, "", "Input/output error"), head + ": Input/output error" + log);
    EXPECT_EQ(box(OpenFault::unknown, "", ""), head + log);

    EXPECT_EQ(device::read_error_box_text(ReadErrorKind::timeout, ""),
              "Произошла ошибка:\nДатчик не ответил по истечению отведённого времени\n\n"
              "Журнал обмена с датчиком не ведётся");
}
