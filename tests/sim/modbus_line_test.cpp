// libmodbus on both ends of the line, a master on A and a slave on B: the proof that the
// line behaves like a cable, and that its faults reach a real Modbus peer as line faults.
#include <gtest/gtest.h>

#include <modbus.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "test_port.h"
#include "virtual_line.h"

namespace trelon::test {
namespace {

constexpr int kSlaveAddress = 17;
constexpr int kBaud = 19200;

// libmodbus as an independent slave on its own thread.
class TModbusSlave {
  public:
    TModbusSlave(const std::filesystem::path& port, int registers)
        : context_(modbus_new_rtu(port.c_str(), kBaud, 'E', 8, 1)),
          map_(modbus_mapping_new(0, 0, registers, 0)) {
        for (int i = 0; i < registers; ++i) map_->tab_registers[i] = 0x1000 + i;
        modbus_set_slave(context_, kSlaveAddress);
        modbus_set_indication_timeout(context_, 0, 100'000);  // to look at stop_ now and then
        connected_ = modbus_connect(context_) == 0;
        thread_ = std::thread([this] { Serve(); });
    }
    ~TModbusSlave() {
        stop_ = true;
        thread_.join();
        modbus_close(context_);
        modbus_mapping_free(map_);
        modbus_free(context_);
    }
    bool Connected() const { return connected_; }

  private:
    void Serve() {
        std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
        while (connected_ && !stop_) {
            int length = modbus_receive(context_, request);
            if (length > 0) modbus_reply(context_, request, length, map_);
        }
    }

    modbus_t* context_;
    modbus_mapping_t* map_;
    bool connected_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class ModbusOverLineTest : public ::testing::Test {
  protected:
    ModbusOverLineTest() : line_(Options()), slave_(line_.Path(TEnd::B), 16) {
        modbus_set_slave(master_, kSlaveAddress);
        modbus_set_response_timeout(master_, 0, 500'000);
    }
    ~ModbusOverLineTest() override {
        modbus_close(master_);
        modbus_free(master_);
    }
    TLineOptions Options() const {
        TLineOptions options;
        options.Directory = dir_.Path();
        return options;
    }
    // Reads holding registers 2 to 5; returns the count read, or -1 with errno.
    int ReadFour(std::uint16_t* values) { return modbus_read_registers(master_, 2, 4, values); }

    TTempDir dir_;
    TVirtualLine line_;
    TModbusSlave slave_;
    modbus_t* master_ = modbus_new_rtu(line_.Path(TEnd::A).c_str(), kBaud, 'E', 8, 1);
};

TEST_F(ModbusOverLineTest, MasterReadsHoldingRegistersFromTheSlave) {
    ASSERT_TRUE(slave_.Connected());
    ASSERT_EQ(modbus_connect(master_), 0);
    std::uint16_t values[4] = {};
    ASSERT_EQ(ReadFour(values), 4) << modbus_strerror(errno);
    EXPECT_EQ(values[0], 0x1002);
    EXPECT_EQ(values[3], 0x1005);
    auto request = line_.WaitFrame(TDirection::AtoB, 5s).value();
    EXPECT_EQ(request.Length, 8u);  // address, function, start, count, CRC
    EXPECT_EQ(line_.WaitFrame(TDirection::BtoA, 5s).value().Length, 13u);
}

TEST_F(ModbusOverLineTest, LineFaultsReachTheMasterAsModbusErrors) {
    ASSERT_TRUE(slave_.Connected());
    ASSERT_EQ(modbus_connect(master_), 0);
    struct TCase {
        const char* Name;
        void (*Arm)(TVirtualLine&);
        int Error;
    };
    const TCase cases[] = {
        {"request dropped", [](TVirtualLine& l) { l.DropNextFrame(TDirection::AtoB); }, ETIMEDOUT},
        {"answer corrupted", [](TVirtualLine& l) { l.CorruptNextFrame(TDirection::BtoA, 4); },
         EMBBADCRC},
    };
    std::uint16_t values[4] = {};
    for (const TCase& c : cases) {
        c.Arm(line_);
        EXPECT_EQ(ReadFour(values), -1) << c.Name;
        EXPECT_EQ(errno, c.Error) << c.Name << ": " << modbus_strerror(errno);
        EXPECT_EQ(ReadFour(values), 4) << c.Name << ": the next request goes through";
    }
}

}  // namespace
}  // namespace trelon::test
