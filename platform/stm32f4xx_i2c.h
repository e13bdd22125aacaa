// I2C: bus clock and mode set-up, START/STOP generation, addressing, data transfer, acknowledge
// control and status events (master mode, polled).
#pragma once

#include "stm32f4xx.h"

typedef struct
{
    uint32_t I2C_ClockSpeed;          /* SCL frequency in Hz, up to 400000 */
    uint16_t I2C_Mode;                /* I2C_Mode_I2C or one of the SMBus modes */
    uint16_t I2C_DutyCycle;           /* fast mode Tlow/Thigh: I2C_DutyCycle_2 or I2C_DutyCycle_16_9 */
    uint16_t I2C_OwnAddress1;         /* own address for slave mode */
    uint16_t I2C_Ack;                 /* I2C_Ack_Enable or I2C_Ack_Disable */
    uint16_t I2C_AcknowledgedAddress; /* I2C_AcknowledgedAddress_7bit or _10bit */
} I2C_InitTypeDef;

#define I2C_Mode_I2C ((uint16_t)0x0000)
#define I2C_Mode_SMBusDevice ((uint16_t)0x0002)
#define I2C_Mode_SMBusHost ((uint16_t)0x000A)

#define I2C_DutyCycle_16_9 ((uint16_t)0x4000) /* Tlow/Thigh = 16/9 */
#define I2C_DutyCycle_2 ((uint16_t)0xBFFF)    /* Tlow/Thigh = 2 */

#define I2C_Ack_Enable ((uint16_t)0x0400)
#define I2C_Ack_Disable ((uint16_t)0x0000)

/* OAR1 bit 14 must be kept at 1 by software; the 7-bit value carries it. */
#define I2C_AcknowledgedAddress_7bit ((uint16_t)0x4000)
#define I2C_AcknowledgedAddress_10bit ((uint16_t)0xC000)

#define I2C_Direction_Transmitter ((uint8_t)0x00)
#define I2C_Direction_Receiver ((uint8_t)0x01)

#define I2C_NACKPosition_Next ((uint16_t)0x0800)
#define I2C_NACKPosition_Current ((uint16_t)0xF7FF)

/* Status flags: SR2 flags carry bit 16 and up (SR2 << 16), SR1 flags the low half. */
#define I2C_FLAG_DUALF ((uint32_t)0x00800000)
#define I2C_FLAG_SMBHOST ((uint32_t)0x00400000)
#define I2C_FLAG_SMBDEFAULT ((uint32_t)0x00200000)
#define I2C_FLAG_GENCALL ((uint32_t)0x00100000)
#define I2C_FLAG_TRA ((uint32_t)0x00040000)
#define I2C_FLAG_BUSY ((uint32_t)0x00020000)
#define I2C_FLAG_MSL ((uint32_t)0x00010000)
#define I2C_FLAG_SMBALERT ((uint32_t)0x10008000)
#define I2C_FLAG_TIMEOUT ((uint32_t)0x10004000)
#define I2C_FLAG_PECERR ((uint32_t)0x10001000)
#define I2C_FLAG_OVR ((uint32_t)0x10000800)
#define I2C_FLAG_AF ((uint32_t)0x10000400)
#define I2C_FLAG_ARLO ((uint32_t)0x10000200)
#define I2C_FLAG_BERR ((uint32_t)0x10000100)
#define I2C_FLAG_TXE ((uint32_t)0x10000080)
#define I2C_FLAG_RXNE ((uint32_t)0x10000040)
#define I2C_FLAG_STOPF ((uint32_t)0x10000010)
#define I2C_FLAG_ADD10 ((uint32_t)0x10000008)
#define I2C_FLAG_BTF ((uint32_t)0x10000004)
#define I2C_FLAG_ADDR ((uint32_t)0x10000002)
#define I2C_FLAG_SB ((uint32_t)0x10000001)

/* Master events: the SR2 flags in the upper half, SR1 flags in the lower half. */
#define I2C_EVENT_MASTER_MODE_SELECT ((uint32_t)0x00030001)                 /* BUSY, MSL, SB */
#define I2C_EVENT_MASTER_TRANSMITTER_MODE_SELECTED ((uint32_t)0x00070082)   /* BUSY, MSL, ADDR, TXE, TRA */
#define I2C_EVENT_MASTER_RECEIVER_MODE_SELECTED ((uint32_t)0x00030002)      /* BUSY, MSL, ADDR */
#define I2C_EVENT_MASTER_BYTE_RECEIVED ((uint32_t)0x00030040)               /* BUSY, MSL, RXNE */
#define I2C_EVENT_MASTER_BYTE_TRANSMITTING ((uint32_t)0x00070080)           /* TRA, BUSY, MSL, TXE */
#define I2C_EVENT_MASTER_BYTE_TRANSMITTED ((uint32_t)0x00070084)            /* TRA, BUSY, MSL, TXE, BTF */

#define I2C_IT_BUF ((uint16_t)0x0400)
#define I2C_IT_EVT ((uint16_t)0x0200)
#define I2C_IT_ERR ((uint16_t)0x0100)

#ifdef __cplusplus
extern "C" {
#endif

void I2C_DeInit(I2C_TypeDef* I2Cx);
void I2C_Init(I2C_TypeDef* I2Cx, I2C_InitTypeDef* I2C_InitStruct);
void I2C_StructInit(I2C_InitTypeDef* I2C_InitStruct);
void I2C_Cmd(I2C_TypeDef* I2Cx, FunctionalState NewState);
void I2C_SoftwareResetCmd(I2C_TypeDef* I2Cx, FunctionalState NewState);
void I2C_GenerateSTART(I2C_TypeDef* I2Cx, FunctionalState NewState);
void I2C_GenerateSTOP(I2C_TypeDef* I2Cx, FunctionalState NewState);
void I2C_Send7bitAddress(I2C_TypeDef* I2Cx, uint8_t Address, uint8_t I2C_Direction);
void I2C_SendData(I2C_TypeDef* I2Cx, uint8_t Data);
uint8_t I2C_ReceiveData(I2C_TypeDef* I2Cx);
void I2C_AcknowledgeConfig(I2C_TypeDef* I2Cx, FunctionalState NewState);
void I2C_NACKPositionConfig(I2C_TypeDef* I2Cx, uint16_t I2C_NACKPosition);
void I2C_ITConfig(I2C_TypeDef* I2Cx, uint16_t I2C_IT, FunctionalState NewState);
/* Reads SR1 then SR2 (which clears ADDR once it was seen in SR1) and tells whether every flag of
   the event is set. */
ErrorStatus I2C_CheckEvent(I2C_TypeDef* I2Cx, uint32_t I2C_EVENT);
uint32_t I2C_GetLastEvent(I2C_TypeDef* I2Cx);
FlagStatus I2C_GetFlagStatus(I2C_TypeDef* I2Cx, uint32_t I2C_FLAG);
/* Clears error flags of SR1 (BERR, ARLO, AF, OVR, PECERR, TIMEOUT, SMBALERT). */
void I2C_ClearFlag(I2C_TypeDef* I2Cx, uint32_t I2C_FLAG);

#ifdef __cplusplus
}
#endif
