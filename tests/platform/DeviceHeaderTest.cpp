#include "stm32f4xx.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace
{

// Whether a register block declares a digital noise filter register (later parts of the family
// have one in the I2C block; the STM32F405/407 do not, so code that uses it must not compile).
template <typename Block, typename = void> struct HasFilterRegister : std::false_type
{
};
template <typename Block>
struct HasFilterRegister<Block, std::void_t<decltype(std::declval<Block&>().FLTR)>> : std::true_type
{
};

} // namespace

TEST(DeviceHeaderTest, I2cBlockEndsWithTriseAsOnThisChip)
{
    EXPECT_FALSE(HasFilterRegister<I2C_TypeDef>::value);
    EXPECT_EQ(offsetof(I2C_TypeDef, TRISE), 0x20u);
    EXPECT_EQ(sizeof(I2C_TypeDef), 0x24u);
}
