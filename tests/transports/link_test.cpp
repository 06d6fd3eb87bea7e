// The link itself: a device that is unplugged and comes back, and an RS-485 bus on a port
// without modem lines, with libmodbus as the device.
#include <modbus.h>

#include <atomic>
#include <thread>

#include "checksum.h"
#include "line_fixture.h"
#include "transports/rs485_transport.h"

namespace trelon::test {
namespace {

// Exchanges fail while the adapter is gone; when the same device node is back, the
// transport opens it again by itself and goes on.
TEST_F(LineTest, AnUnpluggedPortIsReopenedWhenItComesBack) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(19200));
    int32_t id = Factory().GetTransport(RS232Props(4, 200));
    ASSERT_NE(id, kNoID);
    Send(id, {1});
    EXPECT_EQ(DeviceRead(1), TBytes({1}));
    DeviceWrite({2});
    EXPECT_EQ(Answer().Bytes(), TBytes({2}));

    line_.Unplug(TEnd::A);
    for (int i = 0; i < 2; ++i) {
        Send(id, {3});
        EXPECT_EQ(Answer().Task->DataLen, 0);
    }
    EXPECT_EQ(Count("Ошибка в транспорте " + std::to_string(id) + ": порт " + PortA() + " потерян"),
              1);

    line_.Replug(TEnd::A);
    Send(id, {4, 4});
    EXPECT_EQ(DeviceRead(2), TBytes({4, 4}));
    DeviceWrite({5});
    EXPECT_EQ(Answer().Bytes(), TBytes({5}));
    EXPECT_EQ(Count("Транспорт " + std::to_string(id) + ": порт " + PortA() + " открыт снова"), 1);
    EXPECT_EQ(Factory().TransportCount(), 1u);
}

// An independent Modbus RTU slave on the far end, answering from a thread of its own.
class TModbusSlave {
  public:
    TModbusSlave(const std::string& port, int baud)
        : context_(modbus_new_rtu(port.c_str(), baud, 'N', 8, 1)),
          map_(modbus_mapping_new(0, 0, 4, 0)) {
        map_->tab_registers[0] = 0x1234;
        map_->tab_registers[1] = 0x5678;
        modbus_set_slave(context_, 1);
        modbus_set_indication_timeout(context_, 0, 100'000);  // to look at stop_ now and then
        connected_ = modbus_connect(context_) == 0;
        if (connected_) thread_ = std::thread([this] { Serve(); });
    }
    ~TModbusSlave() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        modbus_close(context_);
        modbus_mapping_free(map_);
        modbus_free(context_);
    }
    bool Connected() const { return connected_; }

  private:
    void Serve() {
        uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop_) {
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

TBytes WithCrc(TBytes frame) {
    uint16_t crc = Crc16(frame);
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
    return frame;
}

// A pseudo-terminal has no RTS: the RS-485 transport says so once and works all the same.
TEST_F(LineTest, RS485WorksOnAPortWithoutModemLines) {
    TModbusSlave slave(PortB(), 19200);
    ASSERT_TRUE(slave.Connected());
    int32_t id = Factory().GetTransport(RS485Props(4, 1000, 20));  // a gap of 100 ms
    ASSERT_NE(id, kNoID);
    auto rs485 = std::dynamic_pointer_cast<TRS485Transport>(Transport(id));
    ASSERT_TRUE(rs485);
    EXPECT_EQ(rs485->TxHold(), 3);

    const TBytes expected = WithCrc({1, 3, 4, 0x12, 0x34, 0x56, 0x78});
    for (int i = 0; i < 2; ++i) {
        Send(id, WithCrc({1, 3, 0, 0, 0, 2}));
        EXPECT_EQ(Answer().Bytes(), expected);
    }
    EXPECT_EQ(Count("Создание транспорта RS485 (ID = " + std::to_string(id) + ")"), 1);
    EXPECT_EQ(Count("не управляет линией RTS"), 1);
}

}  // namespace
}  // namespace trelon::test
