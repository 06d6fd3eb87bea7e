// Our RTU request frames sent to a libmodbus slave over a pseudo-terminal, and its answers
// checked by our answer checker: an independent implementation on the other end.
#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "test_support.h"

namespace trelon::test {
namespace {

constexpr int kSlave = 17;

class LibmodbusPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        ctx_ = modbus_new_rtu(ptsname(master_), 19200, 'N', 8, 1);
        ASSERT_NE(ctx_, nullptr);
        modbus_set_slave(ctx_, kSlave);
        modbus_set_indication_timeout(ctx_, 5, 0);   // a guard: a frame it rejects ends the wait
        modbus_set_response_timeout(ctx_, 0, 1000);  // it pauses this long before an exception
        ASSERT_EQ(modbus_connect(ctx_), 0) << modbus_strerror(errno);
        map_ = modbus_mapping_new(32, 32, 32, 32);
        ASSERT_NE(map_, nullptr);
    }

    void TearDown() override {
        if (map_) modbus_mapping_free(map_);
        if (ctx_) {
            modbus_close(ctx_);
            modbus_free(ctx_);
        }
        if (master_ >= 0) close(master_);
    }

    // Sends the request's frame, lets the slave answer it, and checks the answer.
    TChecked Exchange(const TModbusRequest& request, size_t answerLength) {
        TBytes frame = Frame(request);
        EXPECT_EQ(write(master_, frame.data(), frame.size()), ssize_t(frame.size()));
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        int n = modbus_receive(ctx_, query);
        EXPECT_EQ(n, int(frame.size())) << "libmodbus refused the frame";
        if (n > 0) modbus_reply(ctx_, query, n, map_);
        return Check(request, ReadAnswer(answerLength));
    }

    // Reads until the answer is complete; the poll time-out only guards against a hang.
    TBytes ReadAnswer(size_t length) {
        TBytes out;
        while (out.size() < length) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) break;
            uint8_t chunk[256];
            ssize_t got = read(master_, chunk, sizeof chunk);
            if (got <= 0) break;
            out.insert(out.end(), chunk, chunk + got);
        }
        return out;
    }

    int master_ = -1;
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* map_ = nullptr;
};

struct TPeerCase {
    const char* Name;
    TModbusRequest Request;
    size_t AnswerLength;
    MBResult Result;
    TVariant Value;
};

TEST_F(LibmodbusPeer, ReadsAndExceptions) {
    const uint16_t regs[] = {0x3F80, 0x0000, 0xFFFF, 0xFFFE};
    std::memcpy(map_->tab_registers + 5, regs, sizeof regs);
    map_->tab_input_registers[0] = 0x0102;
    map_->tab_input_registers[1] = 0x0304;
    const uint8_t bits[] = {1, 0, 1, 1, 0, 0, 0, 0, 1};
    std::memcpy(map_->tab_bits + 3, bits, sizeof bits);
    map_->tab_input_bits[7] = 1;
    TModbusSettings s = Settings(kSlave);
    std::string name = std::string("ґяLMB") + LIBMODBUS_VERSION_STRING;  // id 0xB4, run 0xFF
    const TPeerCase cases[] = {
        {"single and double word", Request({2, 1, 0, 5, Arr({dtSingle, dtSignedDoubleWord}), 1}, s),
         13, mbcOK, Arr({TVariant::Single(1.0f), Typed(vtInteger, -2)})},
        {"3 bytes from 2 input registers", Request({4, 1, 0, 0, dtUnsignedByte, 3}, s), 9, mbcOK,
         TVariant::Array(vtByte, {Typed(vtByte, 1), Typed(vtByte, 2), Typed(vtByte, 3)})},
        {"9 coils", Request({5, 1, 0, 3, 9}, s), 7, mbcOK,
         TVariant::Array(vtBoolean, {true, false, true, true, false, false, false, false, true})},
        {"one input", Request({7, 1, 0, 7, 1}, s), 6, mbcOK, TVariant(true)},
        {"device name", Request({1, 1}, s), 7 + std::strlen("LMB" LIBMODBUS_VERSION_STRING), mbcOK,
         TVariant(name)},
        {"beyond its registers", Request({2, 1, 0, 31, dtSingle, 1}, s), 5, mbcIDA, {}},
        {"function it lacks", Request({0, 1, kSlave, 0x41, 0, Arr({})}, s), 5, mbcIFN, {}},
    };
    for (const TPeerCase& c : cases) {
        TChecked got = Exchange(c.Request, c.AnswerLength);
        EXPECT_EQ(got.Result, c.Result) << c.Name;
        EXPECT_EQ(got.Value, c.Value) << c.Name << ": " << got.Value.Debug();
    }
}

TEST_F(LibmodbusPeer, WritesLandInItsTables) {
    TModbusSettings s = Settings(kSlave), optimal = Settings(kSlave, mbcRTU, false, true);
    TVariant mixed = Arr({TVariant::Single(1.5f), Typed(vtWord, 0xBEEF)});
    TVariant nine = Arr({true, false, true, true, false, false, false, false, true});
    EXPECT_EQ(Exchange(Request({3, 1, 0, 10, mixed}, s), 8).Result, mbcOK);
    EXPECT_EQ(Exchange(Request({3, 1, 0, 20, Typed(vtSmallint, -2)}, optimal), 8).Result, mbcOK);
    EXPECT_EQ(Exchange(Request({6, 1, 0, 3, nine}, s), 8).Result, mbcOK);
    EXPECT_EQ(Exchange(Request({6, 1, 0, 31, true}, optimal), 8).Result, mbcOK);
    EXPECT_EQ(map_->tab_registers[10], 0x3FC0);
    EXPECT_EQ(map_->tab_registers[11], 0x0000);
    EXPECT_EQ(map_->tab_registers[12], 0xBEEF);
    EXPECT_EQ(map_->tab_registers[20], 0xFFFE);
    const uint8_t expected[] = {1, 0, 1, 1, 0, 0, 0, 0, 1};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(map_->tab_bits[3 + i], expected[i]) << i;
    EXPECT_EQ(map_->tab_bits[12], 0);
    EXPECT_EQ(map_->tab_bits[31], 1);
}

}  // namespace
}  // namespace trelon::test
