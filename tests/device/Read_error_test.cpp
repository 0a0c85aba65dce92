#include <gtest/gtest.h>

#include <string>
#include <tuple>
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
    // A broken link says why on the line after.
    const auto link = [](device::LinkFault cause, std::size_t records, std::uint32_t wait_ms) {
        ReadFailure f(ReadErrorKind::link);
        f.port = "logger.rig-7:22002";
        f.cause = cause;
        f.records = records;
        f.wait_ms = wait_ms;
        return device::read_error_message(f);
    };
    const std::string hw = "Аппаратная ошибка при чтении данных\n";
    EXPECT_EQ(link(device::LinkFault::refused, 0, 0),
              hw + "Соединение отклонено: logger.rig-7:22002");
    EXPECT_EQ(link(device::LinkFault::host_not_found, 0, 0), hw + "Адрес не найден: logger.rig-7");
    EXPECT_EQ(link(device::LinkFault::no_answer, 0, 25000), hw + "Нет ответа от датчика за 25 с");
    EXPECT_EQ(link(device::LinkFault::no_answer, 0, 300), hw + "Нет ответа от датчика за 0,3 с");
    EXPECT_EQ(link(device::LinkFault::dropped, 4985, 0), hw + "Связь прервана после 4985 записей");
    EXPECT_EQ(link(device::LinkFault::dropped, 21, 0), hw + "Связь прервана после 21 записи");
    EXPECT_EQ(link(device::LinkFault::dropped, 11, 0), hw + "Связь прервана после 11 записей");
    // What the window keeps of a failed read, and nothing when it kept none.
    const std::string kept = "\n\nЗаписи, считанные до ошибки, сохранены в окне: 4985. Их можно "
                             "сохранить командой \"Сохранить как...\".";
    EXPECT_NE(device::read_error_box_text(ReadErrorKind::link, "", 4985).find(kept),
              std::string::npos);
    EXPECT_EQ(device::read_error_box_text(ReadErrorKind::link, "", 0).find("сохранены в окне"),
              std::string::npos);
}

TEST(ReadErrorTexts, TheBoxNamesThePortTheSystemsReasonAndTheLog) {
    EXPECT_EQ(device::port_text("10.0.0.7:4001"), "10.0.0.7:4001 (адрес 10.0.0.7, порт 4001)");
    ReadFailure f(ReadErrorKind::port);
    f.port = "COM1";
    const auto box = [&](OpenFault::Reason reason, const char* group = "", const char* why = "") {
        f.fault = {reason, "/dev/ttyS0", group, why};
        return device::read_error_box_text(f, "/home/op/vornell_comm.log");
    };
    const std::pair<std::string, const char*> reasons[] = {
        {box(OpenFault::no_device),
         "\n\nПорт COM1 (устройство /dev/ttyS0): нет такого устройства\n"},
        {box(OpenFault::no_permission, "dialout"), "): нет прав на доступ к устройству"},
        {box(OpenFault::no_permission, "dialout"), "должен входить в группу «dialout»"},
        {box(OpenFault::no_permission), "в группу (обычно dialout)"},
        {box(OpenFault::administrator), "): нет прав на доступ к устройству. Дать доступ к нему "
                                        "может только администратор\n"},
        {box(OpenFault::busy), "): устройство занято другой программой\n"},
        {box(OpenFault::bad_name), "): это не адрес:порт с номером порта от 1 до 65535\n"},
        {box(OpenFault::other, "", "Input/output error"), "): Input/output error\n"},
        {box(OpenFault::unknown),
         "/dev/ttyS0)\n\nЖурнал обмена с датчиком: /home/op/vornell_comm.log"}};
    for (const auto& [text, reason] : reasons)
        EXPECT_NE(text.find(reason), std::string::npos) << text;
    EXPECT_TRUE(device::read_error_box_text(ReadErrorKind::timeout, "")
                    .ends_with("времени\n\nЖурнал обмена с датчиком не ведётся"));
}

TEST(ReadErrorTexts, PermissionAdviceNamesAGroupOnlyWhenJoiningItHelps) {
    using R = OpenFault::Reason;
    const std::tuple<const char*, unsigned, unsigned, R> cases[] = {
        {"dialout", 20, 020660, R::no_permission}, {"uucp", 14, 020666, R::no_permission},
        {"", 20, 020660, R::no_permission},        {"root", 0, 020660, R::administrator},
        {"dialout", 20, 020600, R::administrator}, {"dialout", 20, 020640, R::administrator}};
    for (const auto& [group, gid, mode, reason] : cases) {
        const OpenFault fault = device::permission_fault("/dev/ttyS0", group, gid, mode);
        EXPECT_EQ(fault.reason, reason) << group << " " << std::oct << mode;
        EXPECT_EQ(fault.group, reason == R::no_permission ? group : "");
    }
}
