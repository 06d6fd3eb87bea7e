// The four register maps over a real virtual line, with libmodbus as the master: every
// request the wizard makes reads the type and count it asks for, every write reads back,
// and the name answers identify the four kinds.
#include <gtest/gtest.h>

#include <modbus.h>
#include <stdlib.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "rig_sim.h"
#include "wizard_rules.h"

namespace trelon::rig::test {
namespace {

enum class TAccess { Read, Write };

struct TCase {
    const char* What;
    std::uint8_t Slave;
    TArea Area;
    TAccess Access;
    std::uint16_t Address;
    int Items;  // read: the count the wizard asks for
    TValueType Type;
    double Written = 0;
    double Tolerance = 0;  // of the read-back
};

using enum TArea;
using enum TAccess;
using enum TValueType;

// clang-format off
const TCase kCases[] = {
    {"secondary and primary serial", 1, Holding, Read, 0x8006, 2, U32},
    {"primary serial", 1, Holding, Read, 0x8008, 1, U32},
    {"write secondary serial", 1, Holding, Write, 0x8006, 1, U32, 123456},
    {"write primary serial", 1, Holding, Write, 0x8008, 1, U32, 654321},
    {"clock", 1, Holding, Read, 0x8000, 1, U32},
    {"write clock", 1, Holding, Write, 0x8000, 1, U32, 1'700'000'000, 60},
    {"channel count", 1, Input, Read, 26, 1, U8},
    {"beam count", 1, Input, Read, 27, 1, U8},
    {"slots", 1, Holding, Read, 7, 2, U8},
    {"write slot 2", 1, Holding, Write, 8, 1, U8, 1},
    {"current channel", 1, Holding, Read, 75, 1, U8},
    {"set channel", 1, Holding, Write, 75, 1, U8, 1},
    {"mode state", 1, Input, Read, 29, 1, U8},
    {"mode request", 1, Holding, Write, 74, 1, U8, 2},
    {"flow channel 1", 1, Input, Read, 0xC1B8, 1, F32},
    {"flow channel 4", 1, Input, Read, 0xC1BE, 1, F32},
    {"volume channel 1", 1, Input, Read, 0xC1C0, 1, F32},
    {"start volume channel 2", 1, Holding, Write, 84, 1, U8, 1},
    {"autocirculations", 1, Input, Read, 0x4060, 4, U16},
    {"zero offsets", 1, Holding, Read, 0xC2D0, 4, F32},
    {"zero offset channel 4", 1, Holding, Write, 0xC2D6, 1, F32, -0.0625},
    {"cut-off channel 1", 1, Holding, Write, 0xC2D8, 1, F32, 5},
    {"calibration currents", 1, Holding, Read, 0xC02C, 8, F32},
    {"calibration current 4 mA slot 2", 1, Holding, Write, 0xC032, 1, F32, 4.015625},
    {"slot 1 calibration start", 1, Holding, Write, 60, 1, U8, 1},
    {"slot 1 point", 1, Holding, Write, 62, 1, U8, 3},
    {"slot 1 calibration stop", 1, Holding, Write, 60, 1, U8, 0},
    {"amplitudes", 1, Holding, Read, 304, 4, U8},
    {"amplitude channel 2", 1, Holding, Write, 305, 1, U8, 3},
    {"sensitivities", 1, Holding, Read, 248, 4, U8},
    {"sensitivity channel 4", 1, Holding, Write, 251, 1, U8, 1},
    {"inversions", 1, Holding, Read, 252, 4, U8},
    {"inversion channel 1", 1, Holding, Write, 252, 1, U8, 1},
    {"comparator voltages", 1, Holding, Read, 0xC238, 4, F32},
    {"comparator voltage channel 2", 1, Holding, Write, 0xC23A, 1, F32, 5},
    {"output types", 1, Holding, Read, 9, 9, U8},
    {"output type 5", 1, Holding, Write, 14, 1, U8, 3},
    {"universal channels", 1, Holding, Read, 27, 9, U8},
    {"universal channel 5", 1, Holding, Write, 32, 1, U8, 6},
    {"universal levels", 1, Holding, Read, 18, 9, U8},
    {"universal level 5", 1, Holding, Write, 23, 1, U8, 1},
    {"maximum frequencies", 1, Holding, Read, 0xC400, 9, F32},
    {"maximum frequency 5", 1, Holding, Write, 0xC40A, 1, F32, 3000},
    {"upper current levels", 1, Holding, Read, 0xC012, 9, F32},
    {"upper current level 5", 1, Holding, Write, 0xC01C, 1, F32, 300},
    {"lower current levels", 1, Holding, Read, 0xC056, 9, F32},
    {"lower current level 5", 1, Holding, Write, 0xC060, 1, F32, 0},
    {"frequency constant 5", 1, Holding, Write, 0xC00A, 1, F32, 36000},
    {"simulator status", 3, Input, Read, 1, 3, U8},
    {"simulator command", 3, Holding, Write, 3, 1, U8, 2},
    {"conversions", 3, Holding, Write, 0x4001, 1, U16, 10},
    {"delayed pulses", 3, Holding, Write, 0x4002, 1, U16, 32},
    {"autocirculation count", 3, Input, Read, 0x4000, 1, U16},
    {"calibration sums", 3, Input, Read, 0x8004, 10, U32},
    {"quartz frequency", 3, Holding, Read, 0x8006, 1, U32},
    {"times", 3, Holding, Read, 0xC000, 2, F32},
    {"simulation time", 3, Holding, Write, 0x8004, 1, U32, 101000},
    {"elapsed simulation time", 3, Input, Read, 0x8002, 1, U32},
    {"control bit", 3, Coils, Read, 2, 1, Bit},
    {"write control bit", 3, Coils, Write, 2, 1, Bit, 1},
    {"currents", 4, Input, Read, 0xC000, 4, F32},
    {"pulse counts", 5, Input, Read, 0x8000, 4, U32},
    {"input states", 5, Coils, Read, 0, 4, Bit},
    {"input 3 active", 5, Coils, Write, 2, 1, Bit, 0},
    {"reset all pulses", 5, Holding, Write, 3, 1, U8, 5},
};
// clang-format on

class RegisterMaps : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string pattern = (std::filesystem::temp_directory_path() / "rig-test-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir_ = pattern;
        rig_ = new TRig(0);
        TStartup startup;
        startup.Directory = dir_;
        startup.Baud = 115200;
        sim_ = new TRigSim(*rig_, startup);
        master_ = modbus_new_rtu(sim_->Lines().front()->Path().c_str(), 115200, 'N', 8, 1);
        ASSERT_EQ(modbus_connect(master_), 0);
        modbus_set_response_timeout(master_, 2, 0);
    }
    static void TearDownTestSuite() {
        modbus_close(master_);
        modbus_free(master_);
        delete sim_;
        delete rig_;
        std::filesystem::remove_all(dir_);
    }
    // Registers (or bits as 0/1) read with the function of the area; empty on an error.
    static std::vector<std::uint16_t> ReadItems(const TCase& c, int registers) {
        modbus_set_slave(master_, c.Slave);
        std::vector<std::uint16_t> words(registers);
        std::vector<std::uint8_t> bits(registers);
        int n = c.Area == Holding
                    ? modbus_read_registers(master_, c.Address, registers, words.data())
                : c.Area == Input
                    ? modbus_read_input_registers(master_, c.Address, registers, words.data())
                    : modbus_read_bits(master_, c.Address, registers, bits.data());
        if (n != registers) return {};
        if (c.Area == Coils) words.assign(bits.begin(), bits.end());
        return words;
    }
    static int Registers(const TCase& c) { return c.Items * static_cast<int>(RegistersOf(c.Type)); }
    static double Decode(TValueType type, const std::uint16_t* words) {
        std::uint32_t pair =
            std::uint32_t{words[0]} << 16 | (RegistersOf(type) == 2 ? words[1] : 0);
        return type == F32 ? std::bit_cast<float>(pair) : type == U32 ? pair : words[0];
    }
    static int WriteItem(const TCase& c) {
        modbus_set_slave(master_, c.Slave);
        if (c.Area == Coils) return modbus_write_bit(master_, c.Address, c.Written != 0);
        if (c.Type == U8 || c.Type == U16)
            return modbus_write_register(master_, c.Address, static_cast<std::uint16_t>(c.Written));
        std::uint32_t pair = c.Type == F32
                                 ? std::bit_cast<std::uint32_t>(static_cast<float>(c.Written))
                                 : static_cast<std::uint32_t>(c.Written);
        std::uint16_t words[] = {static_cast<std::uint16_t>(pair >> 16),
                                 static_cast<std::uint16_t>(pair)};
        return modbus_write_registers(master_, c.Address, 2, words);
    }

    static inline std::filesystem::path dir_;
    static inline TRig* rig_ = nullptr;
    static inline TRigSim* sim_ = nullptr;
    static inline modbus_t* master_ = nullptr;
};

TEST_F(RegisterMaps, EveryReadGivesItsTypeAndCountAndEveryWriteReadsBack) {
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.What);
        if (c.Access == Write) {
            ASSERT_NE(WriteItem(c), -1) << modbus_strerror(errno);
        }
        auto words = ReadItems(c, Registers(c));
        ASSERT_EQ(words.size(), static_cast<std::size_t>(Registers(c))) << modbus_strerror(errno);
        for (int item = 0; item < c.Items; ++item) {
            double value = Decode(c.Type, &words[item * RegistersOf(c.Type)]);
            if (c.Type == U8) {
                EXPECT_LE(value, 255);
            }
            if (c.Type == F32) {
                EXPECT_TRUE(std::isfinite(value));
            }
            if (c.Access == Write) {
                EXPECT_NEAR(value, c.Written, c.Tolerance);
            }
        }
    }
}

TEST_F(RegisterMaps, AddressesOutsideTheMapsAndWrongValuesAreRefused) {
    std::uint16_t word;
    modbus_set_slave(master_, 1);
    EXPECT_EQ(modbus_read_registers(master_, 0x1234, 1, &word), -1);
    EXPECT_EQ(errno, EMBXILADD);
    std::uint16_t words[4];
    EXPECT_EQ(modbus_read_input_registers(master_, 0xC1C6, 4, words), -1);  // past the volumes
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(modbus_write_register(master_, 74, 3), -1);
    EXPECT_EQ(errno, EMBXILVAL);
    EXPECT_EQ(modbus_write_register(master_, 7, 0x0102), -1);  // a byte register
    EXPECT_EQ(errno, EMBXILVAL);
    modbus_set_slave(master_, 2);  // nobody: no answer
    EXPECT_EQ(modbus_read_registers(master_, 75, 1, &word), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
}

TEST_F(RegisterMaps, TheNameAnswersIdentifyTheFourKinds) {
    const std::pair<int, int> kinds[] = {{1, 4}, {3, 1}, {4, 2}, {5, 3}};
    for (auto [slave, kind] : kinds) {
        modbus_set_slave(master_, slave);
        std::uint8_t answer[MODBUS_MAX_PDU_LENGTH];
        int n = modbus_report_slave_id(master_, sizeof answer, answer);
        ASSERT_GT(n, 0) << slave;
        EXPECT_EQ(DeviceKind(std::string(answer, answer + n)), kind) << slave;
    }
}

}  // namespace
}  // namespace trelon::rig::test
