// STM32F405/407 device header: interrupt numbers, register blocks, base addresses and bit names,
// written from the reference manual's register maps (RM0090). The same header serves the board
// (fields are volatile integers at fixed addresses) and the virtual board (fields are routed
// objects; see velmora_register.h). Peripheral instances are pointers built with VELMORA_PHYS.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "velmora_register.h"

#define HSE_VALUE ((uint32_t)25000000)
#define HSI_VALUE ((uint32_t)16000000)
#define HSE_STARTUP_TIMEOUT ((uint16_t)0x05000)

typedef enum
{
    NonMaskableInt_IRQn = -14,
    MemoryManagement_IRQn = -12,
    BusFault_IRQn = -11,
    UsageFault_IRQn = -10,
    SVCall_IRQn = -5,
    DebugMonitor_IRQn = -4,
    PendSV_IRQn = -2,
    SysTick_IRQn = -1,
    WWDG_IRQn = 0,
    PVD_IRQn = 1,
    TAMP_STAMP_IRQn = 2,
    RTC_WKUP_IRQn = 3,
    FLASH_IRQn = 4,
    RCC_IRQn = 5,
    EXTI0_IRQn = 6,
    EXTI1_IRQn = 7,
    EXTI2_IRQn = 8,
    EXTI3_IRQn = 9,
    EXTI4_IRQn = 10,
    DMA1_Stream0_IRQn = 11,
    DMA1_Stream1_IRQn = 12,
    DMA1_Stream2_IRQn = 13,
    DMA1_Stream3_IRQn = 14,
    DMA1_Stream4_IRQn = 15,
    DMA1_Stream5_IRQn = 16,
    DMA1_Stream6_IRQn = 17,
    ADC_IRQn = 18,
    CAN1_TX_IRQn = 19,
    CAN1_RX0_IRQn = 20,
    CAN1_RX1_IRQn = 21,
    CAN1_SCE_IRQn = 22,
    EXTI9_5_IRQn = 23,
    TIM1_BRK_TIM9_IRQn = 24,
    TIM1_UP_TIM10_IRQn = 25,
    TIM1_TRG_COM_TIM11_IRQn = 26,
    TIM1_CC_IRQn = 27,
    TIM2_IRQn = 28,
    TIM3_IRQn = 29,
    TIM4_IRQn = 30,
    I2C1_EV_IRQn = 31,
    I2C1_ER_IRQn = 32,
    I2C2_EV_IRQn = 33,
    I2C2_ER_IRQn = 34,
    SPI1_IRQn = 35,
    SPI2_IRQn = 36,
    USART1_IRQn = 37,
    USART2_IRQn = 38,
    USART3_IRQn = 39,
    EXTI15_10_IRQn = 40,
    RTC_Alarm_IRQn = 41,
    OTG_FS_WKUP_IRQn = 42,
    TIM8_BRK_TIM12_IRQn = 43,
    TIM8_UP_TIM13_IRQn = 44,
    TIM8_TRG_COM_TIM14_IRQn = 45,
    TIM8_CC_IRQn = 46,
    DMA1_Stream7_IRQn = 47,
    FSMC_IRQn = 48,
    SDIO_IRQn = 49,
    TIM5_IRQn = 50,
    SPI3_IRQn = 51,
    UART4_IRQn = 52,
    UART5_IRQn = 53,
    TIM6_DAC_IRQn = 54,
    TIM7_IRQn = 55,
    DMA2_Stream0_IRQn = 56,
    DMA2_Stream1_IRQn = 57,
    DMA2_Stream2_IRQn = 58,
    DMA2_Stream3_IRQn = 59,
    DMA2_Stream4_IRQn = 60,
    ETH_IRQn = 61,
    ETH_WKUP_IRQn = 62,
    CAN2_TX_IRQn = 63,
    CAN2_RX0_IRQn = 64,
    CAN2_RX1_IRQn = 65,
    CAN2_SCE_IRQn = 66,
    OTG_FS_IRQn = 67,
    DMA2_Stream5_IRQn = 68,
    DMA2_Stream6_IRQn = 69,
    DMA2_Stream7_IRQn = 70,
    USART6_IRQn = 71,
    I2C3_EV_IRQn = 72,
    I2C3_ER_IRQn = 73,
    OTG_HS_EP1_OUT_IRQn = 74,
    OTG_HS_EP1_IN_IRQn = 75,
    OTG_HS_WKUP_IRQn = 76,
    OTG_HS_IRQn = 77,
    DCMI_IRQn = 78,
    CRYP_IRQn = 79,
    HASH_RNG_IRQn = 80,
    FPU_IRQn = 81
} IRQn_Type;

/* Number of device interrupt vectors (after the 16 system vectors). */
#define VELMORA_IRQ_COUNT 82

#include "core_cm4.h"

typedef enum
{
    RESET = 0,
    SET = !RESET
} FlagStatus,
    ITStatus;

typedef enum
{
    DISABLE = 0,
    ENABLE = !DISABLE
} FunctionalState;
#define IS_FUNCTIONAL_STATE(STATE) (((STATE) == DISABLE) || ((STATE) == ENABLE))

typedef enum
{
    ERROR = 0,
    SUCCESS = !ERROR
} ErrorStatus;

/* ================= Register blocks ================= */

typedef struct
{
    __IO32 SR;     /* 0x00 status */
    __IO32 CR1;    /* 0x04 control 1 */
    __IO32 CR2;    /* 0x08 control 2 */
    __IO32 SMPR1;  /* 0x0C sample time 1 */
    __IO32 SMPR2;  /* 0x10 sample time 2 */
    __IO32 JOFR1;  /* 0x14 injected channel data offset 1 */
    __IO32 JOFR2;  /* 0x18 */
    __IO32 JOFR3;  /* 0x1C */
    __IO32 JOFR4;  /* 0x20 */
    __IO32 HTR;    /* 0x24 watchdog higher threshold */
    __IO32 LTR;    /* 0x28 watchdog lower threshold */
    __IO32 SQR1;   /* 0x2C regular sequence 1 */
    __IO32 SQR2;   /* 0x30 */
    __IO32 SQR3;   /* 0x34 */
    __IO32 JSQR;   /* 0x38 injected sequence */
    __IO32 JDR1;   /* 0x3C injected data 1 */
    __IO32 JDR2;   /* 0x40 */
    __IO32 JDR3;   /* 0x44 */
    __IO32 JDR4;   /* 0x48 */
    __IO32 DR;     /* 0x4C regular data */
} ADC_TypeDef;

typedef struct
{
    __IO32 CSR; /* 0x00 common status */
    __IO32 CCR; /* 0x04 common control */
    __IO32 CDR; /* 0x08 common regular data for dual and triple modes */
} ADC_Common_TypeDef;

typedef struct
{
    __IO32 CR;   /* 0x00 stream configuration */
    __IO32 NDTR; /* 0x04 number of data */
    __IO32 PAR;  /* 0x08 peripheral address */
    __IO32 M0AR; /* 0x0C memory 0 address */
    __IO32 M1AR; /* 0x10 memory 1 address */
    __IO32 FCR;  /* 0x14 FIFO control */
} DMA_Stream_TypeDef;

typedef struct
{
    __IO32 LISR;  /* 0x00 low interrupt status (streams 0..3) */
    __IO32 HISR;  /* 0x04 high interrupt status (streams 4..7) */
    __IO32 LIFCR; /* 0x08 low interrupt flag clear */
    __IO32 HIFCR; /* 0x0C high interrupt flag clear */
} DMA_TypeDef;

typedef struct
{
    __IO32 IMR;   /* 0x00 interrupt mask */
    __IO32 EMR;   /* 0x04 event mask */
    __IO32 RTSR;  /* 0x08 rising trigger selection */
    __IO32 FTSR;  /* 0x0C falling trigger selection */
    __IO32 SWIER; /* 0x10 software interrupt event */
    __IO32 PR;    /* 0x14 pending (write 1 to clear) */
} EXTI_TypeDef;

typedef struct
{
    __IO32 ACR;     /* 0x00 access control */
    __IO32 KEYR;    /* 0x04 key */
    __IO32 OPTKEYR; /* 0x08 option key */
    __IO32 SR;      /* 0x0C status */
    __IO32 CR;      /* 0x10 control */
    __IO32 OPTCR;   /* 0x14 option control */
} FLASH_TypeDef;

typedef struct
{
    __IO32 BTCR[8]; /* 0x00 BCR1, BTR1, BCR2, BTR2, BCR3, BTR3, BCR4, BTR4 */
} FSMC_Bank1_TypeDef;

typedef struct
{
    __IO32 BWTR[7]; /* 0x104 BWTR1, -, BWTR2, -, BWTR3, -, BWTR4 */
} FSMC_Bank1E_TypeDef;

typedef struct
{
    __IO32 PCR2;  /* 0x60 */
    __IO32 SR2;   /* 0x64 */
    __IO32 PMEM2; /* 0x68 */
    __IO32 PATT2; /* 0x6C */
    uint32_t RESERVED0;
    __IO32 ECCR2; /* 0x74 */
} FSMC_Bank2_TypeDef;

typedef struct
{
    __IO32 PCR3;  /* 0x80 */
    __IO32 SR3;   /* 0x84 */
    __IO32 PMEM3; /* 0x88 */
    __IO32 PATT3; /* 0x8C */
    uint32_t RESERVED0;
    __IO32 ECCR3; /* 0x94 */
} FSMC_Bank3_TypeDef;

typedef struct
{
    __IO32 PCR4;  /* 0xA0 */
    __IO32 SR4;   /* 0xA4 */
    __IO32 PMEM4; /* 0xA8 */
    __IO32 PATT4; /* 0xAC */
    __IO32 PIO4;  /* 0xB0 */
} FSMC_Bank4_TypeDef;

typedef struct
{
    __IO32 MODER;   /* 0x00 mode */
    __IO32 OTYPER;  /* 0x04 output type */
    __IO32 OSPEEDR; /* 0x08 output speed */
    __IO32 PUPDR;   /* 0x0C pull-up/pull-down */
    __IO32 IDR;     /* 0x10 input data */
    __IO32 ODR;     /* 0x14 output data */
    __IO16 BSRRL;   /* 0x18 bit set (low half of BSRR) */
    __IO16 BSRRH;   /* 0x1A bit reset (high half of BSRR) */
    __IO32 LCKR;    /* 0x1C configuration lock */
    __IO32 AFR[2];  /* 0x20 alternate function low, high */
} GPIO_TypeDef;

typedef struct
{
    __IO32 MEMRMP;    /* 0x00 memory remap */
    __IO32 PMC;       /* 0x04 peripheral mode configuration */
    __IO32 EXTICR[4]; /* 0x08 external interrupt configuration 1..4 */
    uint32_t RESERVED[2];
    __IO32 CMPCR; /* 0x20 compensation cell control */
} SYSCFG_TypeDef;

typedef struct
{
    __IO32 CR1;   /* 0x00 */
    __IO32 CR2;   /* 0x04 */
    __IO32 OAR1;  /* 0x08 own address 1 */
    __IO32 OAR2;  /* 0x0C own address 2 */
    __IO32 DR;    /* 0x10 data */
    __IO32 SR1;   /* 0x14 status 1 */
    __IO32 SR2;   /* 0x18 status 2 */
    __IO32 CCR;   /* 0x1C clock control */
    __IO32 TRISE; /* 0x20 rise time */
} I2C_TypeDef;

typedef struct
{
    __IO32 CR;  /* 0x00 power control */
    __IO32 CSR; /* 0x04 power control/status */
} PWR_TypeDef;

typedef struct
{
    __IO32 CR;         /* 0x00 clock control */
    __IO32 PLLCFGR;    /* 0x04 PLL configuration */
    __IO32 CFGR;       /* 0x08 clock configuration */
    __IO32 CIR;        /* 0x0C clock interrupt */
    __IO32 AHB1RSTR;   /* 0x10 */
    __IO32 AHB2RSTR;   /* 0x14 */
    __IO32 AHB3RSTR;   /* 0x18 */
    uint32_t RESERVED0;
    __IO32 APB1RSTR; /* 0x20 */
    __IO32 APB2RSTR; /* 0x24 */
    uint32_t RESERVED1[2];
    __IO32 AHB1ENR; /* 0x30 */
    __IO32 AHB2ENR; /* 0x34 */
    __IO32 AHB3ENR; /* 0x38 */
    uint32_t RESERVED2;
    __IO32 APB1ENR; /* 0x40 */
    __IO32 APB2ENR; /* 0x44 */
    uint32_t RESERVED3[2];
    __IO32 AHB1LPENR; /* 0x50 */
    __IO32 AHB2LPENR; /* 0x54 */
    __IO32 AHB3LPENR; /* 0x58 */
    uint32_t RESERVED4;
    __IO32 APB1LPENR; /* 0x60 */
    __IO32 APB2LPENR; /* 0x64 */
    uint32_t RESERVED5[2];
    __IO32 BDCR; /* 0x70 backup domain control */
    __IO32 CSR;  /* 0x74 clock control and status */
    uint32_t RESERVED6[2];
    __IO32 SSCGR;      /* 0x80 spread spectrum */
    __IO32 PLLI2SCFGR; /* 0x84 PLLI2S configuration */
} RCC_TypeDef;

typedef struct
{
    __IO32 POWER;   /* 0x00 power control */
    __IO32 CLKCR;   /* 0x04 clock control */
    __IO32 ARG;     /* 0x08 argument */
    __IO32 CMD;     /* 0x0C command */
    __IO32 RESPCMD; /* 0x10 command response (read-only) */
    __IO32 RESP1;   /* 0x14 */
    __IO32 RESP2;   /* 0x18 */
    __IO32 RESP3;   /* 0x1C */
    __IO32 RESP4;   /* 0x20 */
    __IO32 DTIMER;  /* 0x24 data timer */
    __IO32 DLEN;    /* 0x28 data length */
    __IO32 DCTRL;   /* 0x2C data control */
    __IO32 DCOUNT;  /* 0x30 data counter */
    __IO32 STA;     /* 0x34 status */
    __IO32 ICR;     /* 0x38 interrupt clear */
    __IO32 MASK;    /* 0x3C mask */
    uint32_t RESERVED0[2];
    __IO32 FIFOCNT; /* 0x48 FIFO counter */
    uint32_t RESERVED1[13];
    __IO32 FIFO; /* 0x80 data FIFO (32 words window) */
} SDIO_TypeDef;

typedef struct
{
    __IO32 CR1;     /* 0x00 */
    __IO32 CR2;     /* 0x04 */
    __IO32 SR;      /* 0x08 */
    __IO32 DR;      /* 0x0C */
    __IO32 CRCPR;   /* 0x10 */
    __IO32 RXCRCR;  /* 0x14 */
    __IO32 TXCRCR;  /* 0x18 */
    __IO32 I2SCFGR; /* 0x1C */
    __IO32 I2SPR;   /* 0x20 */
} SPI_TypeDef;

typedef struct
{
    __IO32 CR1;   /* 0x00 control 1 */
    __IO32 CR2;   /* 0x04 control 2 */
    __IO32 SMCR;  /* 0x08 slave mode control */
    __IO32 DIER;  /* 0x0C DMA/interrupt enable */
    __IO32 SR;    /* 0x10 status */
    __IO32 EGR;   /* 0x14 event generation */
    __IO32 CCMR1; /* 0x18 capture/compare mode 1 */
    __IO32 CCMR2; /* 0x1C capture/compare mode 2 */
    __IO32 CCER;  /* 0x20 capture/compare enable */
    __IO32 CNT;   /* 0x24 counter (32 bits on TIM2 and TIM5) */
    __IO32 PSC;   /* 0x28 prescaler */
    __IO32 ARR;   /* 0x2C auto-reload (32 bits on TIM2 and TIM5) */
    __IO32 RCR;   /* 0x30 repetition counter (TIM1, TIM8) */
    __IO32 CCR1;  /* 0x34 */
    __IO32 CCR2;  /* 0x38 */
    __IO32 CCR3;  /* 0x3C */
    __IO32 CCR4;  /* 0x40 */
    __IO32 BDTR;  /* 0x44 break and dead-time (TIM1, TIM8) */
    __IO32 DCR;   /* 0x48 DMA control */
    __IO32 DMAR;  /* 0x4C DMA address for full transfer */
    __IO32 OR;    /* 0x50 option (TIM2, TIM5, TIM11) */
} TIM_TypeDef;

typedef struct
{
    __IO32 SR;   /* 0x00 status */
    __IO32 DR;   /* 0x04 data */
    __IO32 BRR;  /* 0x08 baud rate */
    __IO32 CR1;  /* 0x0C */
    __IO32 CR2;  /* 0x10 */
    __IO32 CR3;  /* 0x14 */
    __IO32 GTPR; /* 0x18 guard time and prescaler */
} USART_TypeDef;

/* USB OTG full-speed core: global registers at the base, device registers at 0x800, IN endpoint
 * n at 0x900 + 0x20 n, OUT endpoint n at 0xB00 + 0x20 n, power and clock gating at 0xE00, and
 * the data FIFO window of endpoint n at 0x1000 + 0x1000 n. */
typedef struct
{
    __IO32 GOTGCTL;            /* 0x000 OTG control and status */
    __IO32 GOTGINT;            /* 0x004 OTG interrupt */
    __IO32 GAHBCFG;            /* 0x008 AHB configuration */
    __IO32 GUSBCFG;            /* 0x00C USB configuration */
    __IO32 GRSTCTL;            /* 0x010 reset */
    __IO32 GINTSTS;            /* 0x014 core interrupt */
    __IO32 GINTMSK;            /* 0x018 interrupt mask */
    __IO32 GRXSTSR;            /* 0x01C receive status debug read */
    __IO32 GRXSTSP;            /* 0x020 receive status read and pop */
    __IO32 GRXFSIZ;            /* 0x024 receive FIFO size */
    __IO32 DIEPTXF0_HNPTXFSIZ; /* 0x028 endpoint 0 transmit FIFO size */
    __IO32 HNPTXSTS;           /* 0x02C non-periodic transmit FIFO/queue status */
    uint32_t RESERVED0[2];
    __IO32 GCCFG; /* 0x038 general core configuration */
    __IO32 CID;   /* 0x03C core ID */
    uint32_t RESERVED1[48];
    __IO32 HPTXFSIZ;     /* 0x100 host periodic transmit FIFO size */
    __IO32 DIEPTXF[15];  /* 0x104 device IN endpoint 1..15 transmit FIFO size */
} USB_OTG_GREGS;

typedef struct
{
    __IO32 DCFG;       /* 0x800 device configuration */
    __IO32 DCTL;       /* 0x804 device control */
    __IO32 DSTS;       /* 0x808 device status */
    uint32_t RESERVED0;
    __IO32 DIEPMSK;    /* 0x810 IN endpoint common interrupt mask */
    __IO32 DOEPMSK;    /* 0x814 OUT endpoint common interrupt mask */
    __IO32 DAINT;      /* 0x818 all endpoints interrupt */
    __IO32 DAINTMSK;   /* 0x81C all endpoints interrupt mask */
    uint32_t RESERVED1[2];
    __IO32 DVBUSDIS;   /* 0x828 VBUS discharge time */
    __IO32 DVBUSPULSE; /* 0x82C VBUS pulsing time */
    __IO32 DTHRCTL;    /* 0x830 threshold control (not on the FS core) */
    __IO32 DIEPEMPMSK; /* 0x834 IN endpoint FIFO empty interrupt mask */
    __IO32 DEACHINT;   /* 0x838 */
    __IO32 DEACHMSK;   /* 0x83C */
} USB_OTG_DREGS;

typedef struct
{
    __IO32 DIEPCTL;  /* 0x00 control */
    uint32_t RESERVED0;
    __IO32 DIEPINT;  /* 0x08 interrupt */
    uint32_t RESERVED1;
    __IO32 DIEPTSIZ; /* 0x10 transfer size */
    __IO32 DIEPDMA;  /* 0x14 (high-speed core only) */
    __IO32 DTXFSTS;  /* 0x18 transmit FIFO status */
    uint32_t RESERVED2;
} USB_OTG_INEPREGS;

typedef struct
{
    __IO32 DOEPCTL;  /* 0x00 control */
    uint32_t RESERVED0;
    __IO32 DOEPINT;  /* 0x08 interrupt */
    uint32_t RESERVED1;
    __IO32 DOEPTSIZ; /* 0x10 transfer size */
    __IO32 DOEPDMA;  /* 0x14 (high-speed core only) */
    uint32_t RESERVED2[2];
} USB_OTG_OUTEPREGS;

/* ================= Memory map ================= */

#define FLASH_BASE ((uint32_t)0x08000000)
#define CCMDATARAM_BASE ((uint32_t)0x10000000)
#define SRAM1_BASE ((uint32_t)0x20000000)
#define SRAM2_BASE ((uint32_t)0x2001C000)
#define PERIPH_BASE ((uint32_t)0x40000000)
#define BKPSRAM_BASE ((uint32_t)0x40024000)
#define FSMC_R_BASE ((uint32_t)0xA0000000)
#define SRAM_BASE SRAM1_BASE

/* One-time-programmable area: 512 bytes of data, then 16 lock bytes. Reads 0xFF unprogrammed. */
#define OTP_BASE ((uint32_t)0x1FFF7800)
#define OTP_SIZE ((uint32_t)0x210)
#define UID_BASE ((uint32_t)0x1FFF7A10)
#define FLASHSIZE_BASE ((uint32_t)0x1FFF7A22)

/* External memory on the FSMC NOR/SRAM bank 1: four 64 MiB regions chosen by NE1..NE4. */
#define FSMC_BANK1_NORSRAM1 ((uint32_t)0x60000000)
#define FSMC_BANK1_NORSRAM2 ((uint32_t)0x64000000)
#define FSMC_BANK1_NORSRAM3 ((uint32_t)0x68000000)
#define FSMC_BANK1_NORSRAM4 ((uint32_t)0x6C000000)

#define APB1PERIPH_BASE PERIPH_BASE
#define APB2PERIPH_BASE (PERIPH_BASE + 0x00010000)
#define AHB1PERIPH_BASE (PERIPH_BASE + 0x00020000)
#define AHB2PERIPH_BASE (PERIPH_BASE + 0x10000000)

#define TIM2_BASE (APB1PERIPH_BASE + 0x0000)
#define TIM3_BASE (APB1PERIPH_BASE + 0x0400)
#define TIM4_BASE (APB1PERIPH_BASE + 0x0800)
#define TIM5_BASE (APB1PERIPH_BASE + 0x0C00)
#define TIM6_BASE (APB1PERIPH_BASE + 0x1000)
#define TIM7_BASE (APB1PERIPH_BASE + 0x1400)
#define TIM12_BASE (APB1PERIPH_BASE + 0x1800)
#define TIM13_BASE (APB1PERIPH_BASE + 0x1C00)
#define TIM14_BASE (APB1PERIPH_BASE + 0x2000)
#define RTC_BASE (APB1PERIPH_BASE + 0x2800)
#define WWDG_BASE (APB1PERIPH_BASE + 0x2C00)
#define IWDG_BASE (APB1PERIPH_BASE + 0x3000)
#define SPI2_BASE (APB1PERIPH_BASE + 0x3800)
#define SPI3_BASE (APB1PERIPH_BASE + 0x3C00)
#define USART2_BASE (APB1PERIPH_BASE + 0x4400)
#define USART3_BASE (APB1PERIPH_BASE + 0x4800)
#define UART4_BASE (APB1PERIPH_BASE + 0x4C00)
#define UART5_BASE (APB1PERIPH_BASE + 0x5000)
#define I2C1_BASE (APB1PERIPH_BASE + 0x5400)
#define I2C2_BASE (APB1PERIPH_BASE + 0x5800)
#define I2C3_BASE (APB1PERIPH_BASE + 0x5C00)
#define CAN1_BASE (APB1PERIPH_BASE + 0x6400)
#define CAN2_BASE (APB1PERIPH_BASE + 0x6800)
#define PWR_BASE (APB1PERIPH_BASE + 0x7000)
#define DAC_BASE (APB1PERIPH_BASE + 0x7400)

#define TIM1_BASE (APB2PERIPH_BASE + 0x0000)
#define TIM8_BASE (APB2PERIPH_BASE + 0x0400)
#define USART1_BASE (APB2PERIPH_BASE + 0x1000)
#define USART6_BASE (APB2PERIPH_BASE + 0x1400)
#define ADC1_BASE (APB2PERIPH_BASE + 0x2000)
#define ADC2_BASE (APB2PERIPH_BASE + 0x2100)
#define ADC3_BASE (APB2PERIPH_BASE + 0x2200)
#define ADC_BASE (APB2PERIPH_BASE + 0x2300)
#define SDIO_BASE (APB2PERIPH_BASE + 0x2C00)
#define SPI1_BASE (APB2PERIPH_BASE + 0x3000)
#define SYSCFG_BASE (APB2PERIPH_BASE + 0x3800)
#define EXTI_BASE (APB2PERIPH_BASE + 0x3C00)
#define TIM9_BASE (APB2PERIPH_BASE + 0x4000)
#define TIM10_BASE (APB2PERIPH_BASE + 0x4400)
#define TIM11_BASE (APB2PERIPH_BASE + 0x4800)

#define GPIOA_BASE (AHB1PERIPH_BASE + 0x0000)
#define GPIOB_BASE (AHB1PERIPH_BASE + 0x0400)
#define GPIOC_BASE (AHB1PERIPH_BASE + 0x0800)
#define GPIOD_BASE (AHB1PERIPH_BASE + 0x0C00)
#define GPIOE_BASE (AHB1PERIPH_BASE + 0x1000)
#define GPIOF_BASE (AHB1PERIPH_BASE + 0x1400)
#define GPIOG_BASE (AHB1PERIPH_BASE + 0x1800)
#define GPIOH_BASE (AHB1PERIPH_BASE + 0x1C00)
#define GPIOI_BASE (AHB1PERIPH_BASE + 0x2000)
#define CRC_BASE (AHB1PERIPH_BASE + 0x3000)
#define RCC_BASE (AHB1PERIPH_BASE + 0x3800)
#define FLASH_R_BASE (AHB1PERIPH_BASE + 0x3C00)
#define DMA1_BASE (AHB1PERIPH_BASE + 0x6000)
#define DMA1_Stream0_BASE (DMA1_BASE + 0x010)
#define DMA1_Stream1_BASE (DMA1_BASE + 0x028)
#define DMA1_Stream2_BASE (DMA1_BASE + 0x040)
#define DMA1_Stream3_BASE (DMA1_BASE + 0x058)
#define DMA1_Stream4_BASE (DMA1_BASE + 0x070)
#define DMA1_Stream5_BASE (DMA1_BASE + 0x088)
#define DMA1_Stream6_BASE (DMA1_BASE + 0x0A0)
#define DMA1_Stream7_BASE (DMA1_BASE + 0x0B8)
#define DMA2_BASE (AHB1PERIPH_BASE + 0x6400)
#define DMA2_Stream0_BASE (DMA2_BASE + 0x010)
#define DMA2_Stream1_BASE (DMA2_BASE + 0x028)
#define DMA2_Stream2_BASE (DMA2_BASE + 0x040)
#define DMA2_Stream3_BASE (DMA2_BASE + 0x058)
#define DMA2_Stream4_BASE (DMA2_BASE + 0x070)
#define DMA2_Stream5_BASE (DMA2_BASE + 0x088)
#define DMA2_Stream6_BASE (DMA2_BASE + 0x0A0)
#define DMA2_Stream7_BASE (DMA2_BASE + 0x0B8)

#define USB_OTG_FS_BASE (AHB2PERIPH_BASE + 0x00000)
#define USB_OTG_GLOBAL_BASE 0x000
#define USB_OTG_DEVICE_BASE 0x800
#define USB_OTG_IN_ENDPOINT_BASE 0x900
#define USB_OTG_OUT_ENDPOINT_BASE 0xB00
#define USB_OTG_EP_REG_SIZE 0x20
#define USB_OTG_PCGCCTL_BASE 0xE00
#define USB_OTG_FIFO_BASE 0x1000
#define USB_OTG_FIFO_SIZE 0x1000
#define USB_OTG_FS_MAX_EP 4

#define FSMC_Bank1_R_BASE (FSMC_R_BASE + 0x0000)
#define FSMC_Bank1E_R_BASE (FSMC_R_BASE + 0x0104)
#define FSMC_Bank2_R_BASE (FSMC_R_BASE + 0x0060)
#define FSMC_Bank3_R_BASE (FSMC_R_BASE + 0x0080)
#define FSMC_Bank4_R_BASE (FSMC_R_BASE + 0x00A0)

#define DBGMCU_BASE ((uint32_t)0xE0042000)

/* ================= Instances ================= */

#define TIM2 VELMORA_PHYS(TIM_TypeDef, TIM2_BASE)
#define TIM3 VELMORA_PHYS(TIM_TypeDef, TIM3_BASE)
#define TIM4 VELMORA_PHYS(TIM_TypeDef, TIM4_BASE)
#define TIM5 VELMORA_PHYS(TIM_TypeDef, TIM5_BASE)
#define TIM6 VELMORA_PHYS(TIM_TypeDef, TIM6_BASE)
#define TIM7 VELMORA_PHYS(TIM_TypeDef, TIM7_BASE)
#define TIM12 VELMORA_PHYS(TIM_TypeDef, TIM12_BASE)
#define TIM13 VELMORA_PHYS(TIM_TypeDef, TIM13_BASE)
#define TIM14 VELMORA_PHYS(TIM_TypeDef, TIM14_BASE)
#define SPI2 VELMORA_PHYS(SPI_TypeDef, SPI2_BASE)
#define SPI3 VELMORA_PHYS(SPI_TypeDef, SPI3_BASE)
#define USART2 VELMORA_PHYS(USART_TypeDef, USART2_BASE)
#define USART3 VELMORA_PHYS(USART_TypeDef, USART3_BASE)
#define UART4 VELMORA_PHYS(USART_TypeDef, UART4_BASE)
#define UART5 VELMORA_PHYS(USART_TypeDef, UART5_BASE)
#define I2C1 VELMORA_PHYS(I2C_TypeDef, I2C1_BASE)
#define I2C2 VELMORA_PHYS(I2C_TypeDef, I2C2_BASE)
#define I2C3 VELMORA_PHYS(I2C_TypeDef, I2C3_BASE)
#define PWR VELMORA_PHYS(PWR_TypeDef, PWR_BASE)
#define TIM1 VELMORA_PHYS(TIM_TypeDef, TIM1_BASE)
#define TIM8 VELMORA_PHYS(TIM_TypeDef, TIM8_BASE)
#define USART1 VELMORA_PHYS(USART_TypeDef, USART1_BASE)
#define USART6 VELMORA_PHYS(USART_TypeDef, USART6_BASE)
#define ADC VELMORA_PHYS(ADC_Common_TypeDef, ADC_BASE)
#define ADC1 VELMORA_PHYS(ADC_TypeDef, ADC1_BASE)
#define ADC2 VELMORA_PHYS(ADC_TypeDef, ADC2_BASE)
#define ADC3 VELMORA_PHYS(ADC_TypeDef, ADC3_BASE)
#define SDIO VELMORA_PHYS(SDIO_TypeDef, SDIO_BASE)
#define SPI1 VELMORA_PHYS(SPI_TypeDef, SPI1_BASE)
#define SYSCFG VELMORA_PHYS(SYSCFG_TypeDef, SYSCFG_BASE)
#define EXTI VELMORA_PHYS(EXTI_TypeDef, EXTI_BASE)
#define TIM9 VELMORA_PHYS(TIM_TypeDef, TIM9_BASE)
#define TIM10 VELMORA_PHYS(TIM_TypeDef, TIM10_BASE)
#define TIM11 VELMORA_PHYS(TIM_TypeDef, TIM11_BASE)
#define GPIOA VELMORA_PHYS(GPIO_TypeDef, GPIOA_BASE)
#define GPIOB VELMORA_PHYS(GPIO_TypeDef, GPIOB_BASE)
#define GPIOC VELMORA_PHYS(GPIO_TypeDef, GPIOC_BASE)
#define GPIOD VELMORA_PHYS(GPIO_TypeDef, GPIOD_BASE)
#define GPIOE VELMORA_PHYS(GPIO_TypeDef, GPIOE_BASE)
#define GPIOF VELMORA_PHYS(GPIO_TypeDef, GPIOF_BASE)
#define GPIOG VELMORA_PHYS(GPIO_TypeDef, GPIOG_BASE)
#define GPIOH VELMORA_PHYS(GPIO_TypeDef, GPIOH_BASE)
#define GPIOI VELMORA_PHYS(GPIO_TypeDef, GPIOI_BASE)
#define RCC VELMORA_PHYS(RCC_TypeDef, RCC_BASE)
#define FLASH VELMORA_PHYS(FLASH_TypeDef, FLASH_R_BASE)
#define DMA1 VELMORA_PHYS(DMA_TypeDef, DMA1_BASE)
#define DMA1_Stream0 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream0_BASE)
#define DMA1_Stream1 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream1_BASE)
#define DMA1_Stream2 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream2_BASE)
#define DMA1_Stream3 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream3_BASE)
#define DMA1_Stream4 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream4_BASE)
#define DMA1_Stream5 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream5_BASE)
#define DMA1_Stream6 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream6_BASE)
#define DMA1_Stream7 VELMORA_PHYS(DMA_Stream_TypeDef, DMA1_Stream7_BASE)
#define DMA2 VELMORA_PHYS(DMA_TypeDef, DMA2_BASE)
#define DMA2_Stream0 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream0_BASE)
#define DMA2_Stream1 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream1_BASE)
#define DMA2_Stream2 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream2_BASE)
#define DMA2_Stream3 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream3_BASE)
#define DMA2_Stream4 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream4_BASE)
#define DMA2_Stream5 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream5_BASE)
#define DMA2_Stream6 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream6_BASE)
#define DMA2_Stream7 VELMORA_PHYS(DMA_Stream_TypeDef, DMA2_Stream7_BASE)
#define FSMC_Bank1 VELMORA_PHYS(FSMC_Bank1_TypeDef, FSMC_Bank1_R_BASE)
#define FSMC_Bank1E VELMORA_PHYS(FSMC_Bank1E_TypeDef, FSMC_Bank1E_R_BASE)
#define FSMC_Bank2 VELMORA_PHYS(FSMC_Bank2_TypeDef, FSMC_Bank2_R_BASE)
#define FSMC_Bank3 VELMORA_PHYS(FSMC_Bank3_TypeDef, FSMC_Bank3_R_BASE)
#define FSMC_Bank4 VELMORA_PHYS(FSMC_Bank4_TypeDef, FSMC_Bank4_R_BASE)
#define USB_OTG_FS_GREGS VELMORA_PHYS(USB_OTG_GREGS, USB_OTG_FS_BASE + USB_OTG_GLOBAL_BASE)
#define USB_OTG_FS_DREGS VELMORA_PHYS(USB_OTG_DREGS, USB_OTG_FS_BASE + USB_OTG_DEVICE_BASE)
#define USB_OTG_FS_INEP(n)                                                                             \
    VELMORA_PHYS(USB_OTG_INEPREGS, USB_OTG_FS_BASE + USB_OTG_IN_ENDPOINT_BASE + (n) * USB_OTG_EP_REG_SIZE)
#define USB_OTG_FS_OUTEP(n)                                                                            \
    VELMORA_PHYS(USB_OTG_OUTEPREGS, USB_OTG_FS_BASE + USB_OTG_OUT_ENDPOINT_BASE + (n) * USB_OTG_EP_REG_SIZE)
#define USB_OTG_FS_PCGCCTL VELMORA_PHYS(__IO32, USB_OTG_FS_BASE + USB_OTG_PCGCCTL_BASE)
/* The data FIFO window of endpoint n: reads pop the receive FIFO, writes push transmit FIFO n. */
#define USB_OTG_FS_DFIFO(n) VELMORA_PHYS(__IO32, USB_OTG_FS_BASE + USB_OTG_FIFO_BASE + (n) * USB_OTG_FIFO_SIZE)

/* ================= Bit definitions ================= */

/* GPIO: field n of MODER/OSPEEDR/PUPDR is 2 bits at 2n; AFR[n / 8] has 4 bits at 4 (n % 8). */
#define GPIO_MODER_MODER0 ((uint32_t)0x00000003)
#define GPIO_OTYPER_OT_0 ((uint32_t)0x00000001)
#define GPIO_OSPEEDER_OSPEEDR0 ((uint32_t)0x00000003)
#define GPIO_PUPDR_PUPDR0 ((uint32_t)0x00000003)
#define GPIO_LCKR_LCKK ((uint32_t)0x00010000)

/* SYSCFG EXTICR: line n is 4 bits at 4 (n % 4) of EXTICR[n / 4]; the value is the port number. */
#define SYSCFG_EXTICR1_EXTI0 ((uint32_t)0x000F)
#define SYSCFG_EXTICR1_EXTI1 ((uint32_t)0x00F0)
#define SYSCFG_EXTICR1_EXTI2 ((uint32_t)0x0F00)
#define SYSCFG_EXTICR1_EXTI3 ((uint32_t)0xF000)

/* NVIC/EXTI line masks: bit n is line n (lines 0..22). */
#define EXTI_LINE_MASK ((uint32_t)0x007FFFFF)

/* ---- RCC ---- */
#define RCC_CR_HSION ((uint32_t)0x00000001)
#define RCC_CR_HSIRDY ((uint32_t)0x00000002)
#define RCC_CR_HSITRIM ((uint32_t)0x000000F8)
#define RCC_CR_HSITRIM_0 ((uint32_t)0x00000008)
#define RCC_CR_HSITRIM_1 ((uint32_t)0x00000010)
#define RCC_CR_HSITRIM_2 ((uint32_t)0x00000020)
#define RCC_CR_HSITRIM_3 ((uint32_t)0x00000040)
#define RCC_CR_HSITRIM_4 ((uint32_t)0x00000080)
#define RCC_CR_HSICAL ((uint32_t)0x0000FF00)
#define RCC_CR_HSICAL_0 ((uint32_t)0x00000100)
#define RCC_CR_HSICAL_1 ((uint32_t)0x00000200)
#define RCC_CR_HSICAL_2 ((uint32_t)0x00000400)
#define RCC_CR_HSICAL_3 ((uint32_t)0x00000800)
#define RCC_CR_HSICAL_4 ((uint32_t)0x00001000)
#define RCC_CR_HSICAL_5 ((uint32_t)0x00002000)
#define RCC_CR_HSICAL_6 ((uint32_t)0x00004000)
#define RCC_CR_HSICAL_7 ((uint32_t)0x00008000)
#define RCC_CR_HSEON ((uint32_t)0x00010000)
#define RCC_CR_HSERDY ((uint32_t)0x00020000)
#define RCC_CR_HSEBYP ((uint32_t)0x00040000)
#define RCC_CR_CSSON ((uint32_t)0x00080000)
#define RCC_CR_PLLON ((uint32_t)0x01000000)
#define RCC_CR_PLLRDY ((uint32_t)0x02000000)
#define RCC_CR_PLLI2SON ((uint32_t)0x04000000)
#define RCC_CR_PLLI2SRDY ((uint32_t)0x08000000)

#define RCC_PLLCFGR_PLLM ((uint32_t)0x0000003F)
#define RCC_PLLCFGR_PLLM_0 ((uint32_t)0x00000001)
#define RCC_PLLCFGR_PLLM_1 ((uint32_t)0x00000002)
#define RCC_PLLCFGR_PLLM_2 ((uint32_t)0x00000004)
#define RCC_PLLCFGR_PLLM_3 ((uint32_t)0x00000008)
#define RCC_PLLCFGR_PLLM_4 ((uint32_t)0x00000010)
#define RCC_PLLCFGR_PLLM_5 ((uint32_t)0x00000020)
#define RCC_PLLCFGR_PLLN ((uint32_t)0x00007FC0)
#define RCC_PLLCFGR_PLLN_0 ((uint32_t)0x00000040)
#define RCC_PLLCFGR_PLLN_1 ((uint32_t)0x00000080)
#define RCC_PLLCFGR_PLLN_2 ((uint32_t)0x00000100)
#define RCC_PLLCFGR_PLLN_3 ((uint32_t)0x00000200)
#define RCC_PLLCFGR_PLLN_4 ((uint32_t)0x00000400)
#define RCC_PLLCFGR_PLLN_5 ((uint32_t)0x00000800)
#define RCC_PLLCFGR_PLLN_6 ((uint32_t)0x00001000)
#define RCC_PLLCFGR_PLLN_7 ((uint32_t)0x00002000)
#define RCC_PLLCFGR_PLLN_8 ((uint32_t)0x00004000)
#define RCC_PLLCFGR_PLLP ((uint32_t)0x00030000)
#define RCC_PLLCFGR_PLLP_0 ((uint32_t)0x00010000)
#define RCC_PLLCFGR_PLLP_1 ((uint32_t)0x00020000)
#define RCC_PLLCFGR_PLLSRC ((uint32_t)0x00400000)
#define RCC_PLLCFGR_PLLQ ((uint32_t)0x0F000000)
#define RCC_PLLCFGR_PLLQ_0 ((uint32_t)0x01000000)
#define RCC_PLLCFGR_PLLQ_1 ((uint32_t)0x02000000)
#define RCC_PLLCFGR_PLLQ_2 ((uint32_t)0x04000000)
#define RCC_PLLCFGR_PLLQ_3 ((uint32_t)0x08000000)
#define RCC_PLLCFGR_PLLSRC_HSI ((uint32_t)0x00000000)
#define RCC_PLLCFGR_PLLSRC_HSE ((uint32_t)0x00400000)

#define RCC_CFGR_SW ((uint32_t)0x00000003)
#define RCC_CFGR_SW_0 ((uint32_t)0x00000001)
#define RCC_CFGR_SW_1 ((uint32_t)0x00000002)
#define RCC_CFGR_SW_HSI ((uint32_t)0x00000000)
#define RCC_CFGR_SW_HSE ((uint32_t)0x00000001)
#define RCC_CFGR_SW_PLL ((uint32_t)0x00000002)
#define RCC_CFGR_SWS ((uint32_t)0x0000000C)
#define RCC_CFGR_SWS_0 ((uint32_t)0x00000004)
#define RCC_CFGR_SWS_1 ((uint32_t)0x00000008)
#define RCC_CFGR_SWS_HSI ((uint32_t)0x00000000)
#define RCC_CFGR_SWS_HSE ((uint32_t)0x00000004)
#define RCC_CFGR_SWS_PLL ((uint32_t)0x00000008)
#define RCC_CFGR_HPRE ((uint32_t)0x000000F0)
#define RCC_CFGR_HPRE_0 ((uint32_t)0x00000010)
#define RCC_CFGR_HPRE_1 ((uint32_t)0x00000020)
#define RCC_CFGR_HPRE_2 ((uint32_t)0x00000040)
#define RCC_CFGR_HPRE_3 ((uint32_t)0x00000080)
#define RCC_CFGR_HPRE_DIV1 ((uint32_t)0x00000000)
#define RCC_CFGR_HPRE_DIV2 ((uint32_t)0x00000080)
#define RCC_CFGR_HPRE_DIV512 ((uint32_t)0x000000F0)
#define RCC_CFGR_PPRE1 ((uint32_t)0x00001C00)
#define RCC_CFGR_PPRE1_0 ((uint32_t)0x00000400)
#define RCC_CFGR_PPRE1_1 ((uint32_t)0x00000800)
#define RCC_CFGR_PPRE1_2 ((uint32_t)0x00001000)
#define RCC_CFGR_PPRE1_DIV1 ((uint32_t)0x00000000)
#define RCC_CFGR_PPRE1_DIV2 ((uint32_t)0x00001000)
#define RCC_CFGR_PPRE1_DIV4 ((uint32_t)0x00001400)
#define RCC_CFGR_PPRE1_DIV8 ((uint32_t)0x00001800)
#define RCC_CFGR_PPRE1_DIV16 ((uint32_t)0x00001C00)
#define RCC_CFGR_PPRE2 ((uint32_t)0x0000E000)
#define RCC_CFGR_PPRE2_0 ((uint32_t)0x00002000)
#define RCC_CFGR_PPRE2_1 ((uint32_t)0x00004000)
#define RCC_CFGR_PPRE2_2 ((uint32_t)0x00008000)
#define RCC_CFGR_PPRE2_DIV1 ((uint32_t)0x00000000)
#define RCC_CFGR_PPRE2_DIV2 ((uint32_t)0x00008000)
#define RCC_CFGR_PPRE2_DIV4 ((uint32_t)0x0000A000)
#define RCC_CFGR_PPRE2_DIV8 ((uint32_t)0x0000C000)
#define RCC_CFGR_PPRE2_DIV16 ((uint32_t)0x0000E000)
#define RCC_CFGR_RTCPRE ((uint32_t)0x001F0000)
#define RCC_CFGR_RTCPRE_0 ((uint32_t)0x00010000)
#define RCC_CFGR_RTCPRE_1 ((uint32_t)0x00020000)
#define RCC_CFGR_RTCPRE_2 ((uint32_t)0x00040000)
#define RCC_CFGR_RTCPRE_3 ((uint32_t)0x00080000)
#define RCC_CFGR_RTCPRE_4 ((uint32_t)0x00100000)
#define RCC_CFGR_MCO1 ((uint32_t)0x00600000)
#define RCC_CFGR_MCO1_0 ((uint32_t)0x00200000)
#define RCC_CFGR_MCO1_1 ((uint32_t)0x00400000)
#define RCC_CFGR_I2SSRC ((uint32_t)0x00800000)
#define RCC_CFGR_MCO1PRE ((uint32_t)0x07000000)
#define RCC_CFGR_MCO1PRE_0 ((uint32_t)0x01000000)
#define RCC_CFGR_MCO1PRE_1 ((uint32_t)0x02000000)
#define RCC_CFGR_MCO1PRE_2 ((uint32_t)0x04000000)
#define RCC_CFGR_MCO2PRE ((uint32_t)0x38000000)
#define RCC_CFGR_MCO2PRE_0 ((uint32_t)0x08000000)
#define RCC_CFGR_MCO2PRE_1 ((uint32_t)0x10000000)
#define RCC_CFGR_MCO2PRE_2 ((uint32_t)0x20000000)
#define RCC_CFGR_MCO2 ((uint32_t)0xC0000000)
#define RCC_CFGR_MCO2_0 ((uint32_t)0x40000000)
#define RCC_CFGR_MCO2_1 ((uint32_t)0x80000000)

#define RCC_CIR_LSIRDYF ((uint32_t)0x00000001)
#define RCC_CIR_LSERDYF ((uint32_t)0x00000002)
#define RCC_CIR_HSIRDYF ((uint32_t)0x00000004)
#define RCC_CIR_HSERDYF ((uint32_t)0x00000008)
#define RCC_CIR_PLLRDYF ((uint32_t)0x00000010)
#define RCC_CIR_PLLI2SRDYF ((uint32_t)0x00000020)
#define RCC_CIR_CSSF ((uint32_t)0x00000080)
#define RCC_CIR_LSIRDYIE ((uint32_t)0x00000100)
#define RCC_CIR_LSERDYIE ((uint32_t)0x00000200)
#define RCC_CIR_HSIRDYIE ((uint32_t)0x00000400)
#define RCC_CIR_HSERDYIE ((uint32_t)0x00000800)
#define RCC_CIR_PLLRDYIE ((uint32_t)0x00001000)
#define RCC_CIR_PLLI2SRDYIE ((uint32_t)0x00002000)
#define RCC_CIR_LSIRDYC ((uint32_t)0x00010000)
#define RCC_CIR_LSERDYC ((uint32_t)0x00020000)
#define RCC_CIR_HSIRDYC ((uint32_t)0x00040000)
#define RCC_CIR_HSERDYC ((uint32_t)0x00080000)
#define RCC_CIR_PLLRDYC ((uint32_t)0x00100000)
#define RCC_CIR_PLLI2SRDYC ((uint32_t)0x00200000)
#define RCC_CIR_CSSC ((uint32_t)0x00800000)

#define RCC_AHB1ENR_GPIOAEN ((uint32_t)0x00000001)
#define RCC_AHB1ENR_GPIOBEN ((uint32_t)0x00000002)
#define RCC_AHB1ENR_GPIOCEN ((uint32_t)0x00000004)
#define RCC_AHB1ENR_GPIODEN ((uint32_t)0x00000008)
#define RCC_AHB1ENR_GPIOEEN ((uint32_t)0x00000010)
#define RCC_AHB1ENR_GPIOFEN ((uint32_t)0x00000020)
#define RCC_AHB1ENR_GPIOGEN ((uint32_t)0x00000040)
#define RCC_AHB1ENR_GPIOHEN ((uint32_t)0x00000080)
#define RCC_AHB1ENR_GPIOIEN ((uint32_t)0x00000100)
#define RCC_AHB1ENR_CRCEN ((uint32_t)0x00001000)
#define RCC_AHB1ENR_BKPSRAMEN ((uint32_t)0x00040000)
#define RCC_AHB1ENR_CCMDATARAMEN ((uint32_t)0x00100000)
#define RCC_AHB1ENR_DMA1EN ((uint32_t)0x00200000)
#define RCC_AHB1ENR_DMA2EN ((uint32_t)0x00400000)
#define RCC_AHB1ENR_ETHMACEN ((uint32_t)0x02000000)
#define RCC_AHB1ENR_ETHMACTXEN ((uint32_t)0x04000000)
#define RCC_AHB1ENR_ETHMACRXEN ((uint32_t)0x08000000)
#define RCC_AHB1ENR_ETHMACPTPEN ((uint32_t)0x10000000)
#define RCC_AHB1ENR_OTGHSEN ((uint32_t)0x20000000)
#define RCC_AHB1ENR_OTGHSULPIEN ((uint32_t)0x40000000)
#define RCC_AHB2ENR_DCMIEN ((uint32_t)0x00000001)
#define RCC_AHB2ENR_CRYPEN ((uint32_t)0x00000010)
#define RCC_AHB2ENR_HASHEN ((uint32_t)0x00000020)
#define RCC_AHB2ENR_RNGEN ((uint32_t)0x00000040)
#define RCC_AHB2ENR_OTGFSEN ((uint32_t)0x00000080)
#define RCC_AHB3ENR_FSMCEN ((uint32_t)0x00000001)
#define RCC_APB1ENR_TIM2EN ((uint32_t)0x00000001)
#define RCC_APB1ENR_TIM3EN ((uint32_t)0x00000002)
#define RCC_APB1ENR_TIM4EN ((uint32_t)0x00000004)
#define RCC_APB1ENR_TIM5EN ((uint32_t)0x00000008)
#define RCC_APB1ENR_TIM6EN ((uint32_t)0x00000010)
#define RCC_APB1ENR_TIM7EN ((uint32_t)0x00000020)
#define RCC_APB1ENR_TIM12EN ((uint32_t)0x00000040)
#define RCC_APB1ENR_TIM13EN ((uint32_t)0x00000080)
#define RCC_APB1ENR_TIM14EN ((uint32_t)0x00000100)
#define RCC_APB1ENR_WWDGEN ((uint32_t)0x00000800)
#define RCC_APB1ENR_SPI2EN ((uint32_t)0x00004000)
#define RCC_APB1ENR_SPI3EN ((uint32_t)0x00008000)
#define RCC_APB1ENR_USART2EN ((uint32_t)0x00020000)
#define RCC_APB1ENR_USART3EN ((uint32_t)0x00040000)
#define RCC_APB1ENR_UART4EN ((uint32_t)0x00080000)
#define RCC_APB1ENR_UART5EN ((uint32_t)0x00100000)
#define RCC_APB1ENR_I2C1EN ((uint32_t)0x00200000)
#define RCC_APB1ENR_I2C2EN ((uint32_t)0x00400000)
#define RCC_APB1ENR_I2C3EN ((uint32_t)0x00800000)
#define RCC_APB1ENR_CAN1EN ((uint32_t)0x02000000)
#define RCC_APB1ENR_CAN2EN ((uint32_t)0x04000000)
#define RCC_APB1ENR_PWREN ((uint32_t)0x10000000)
#define RCC_APB1ENR_DACEN ((uint32_t)0x20000000)
#define RCC_APB2ENR_TIM1EN ((uint32_t)0x00000001)
#define RCC_APB2ENR_TIM8EN ((uint32_t)0x00000002)
#define RCC_APB2ENR_USART1EN ((uint32_t)0x00000010)
#define RCC_APB2ENR_USART6EN ((uint32_t)0x00000020)
#define RCC_APB2ENR_ADC1EN ((uint32_t)0x00000100)
#define RCC_APB2ENR_ADC2EN ((uint32_t)0x00000200)
#define RCC_APB2ENR_ADC3EN ((uint32_t)0x00000400)
#define RCC_APB2ENR_SDIOEN ((uint32_t)0x00000800)
#define RCC_APB2ENR_SPI1EN ((uint32_t)0x00001000)
#define RCC_APB2ENR_SYSCFGEN ((uint32_t)0x00004000)
#define RCC_APB2ENR_TIM9EN ((uint32_t)0x00010000)
#define RCC_APB2ENR_TIM10EN ((uint32_t)0x00020000)
#define RCC_APB2ENR_TIM11EN ((uint32_t)0x00040000)

#define RCC_BDCR_LSEON ((uint32_t)0x00000001)
#define RCC_BDCR_LSERDY ((uint32_t)0x00000002)
#define RCC_BDCR_LSEBYP ((uint32_t)0x00000004)
#define RCC_BDCR_RTCSEL ((uint32_t)0x00000300)
#define RCC_BDCR_RTCSEL_0 ((uint32_t)0x00000100)
#define RCC_BDCR_RTCSEL_1 ((uint32_t)0x00000200)
#define RCC_BDCR_RTCEN ((uint32_t)0x00008000)
#define RCC_BDCR_BDRST ((uint32_t)0x00010000)
#define RCC_CSR_LSION ((uint32_t)0x00000001)
#define RCC_CSR_LSIRDY ((uint32_t)0x00000002)
#define RCC_CSR_RMVF ((uint32_t)0x01000000)
#define RCC_CSR_BORRSTF ((uint32_t)0x02000000)
#define RCC_CSR_PADRSTF ((uint32_t)0x04000000)
#define RCC_CSR_PORRSTF ((uint32_t)0x08000000)
#define RCC_CSR_SFTRSTF ((uint32_t)0x10000000)
#define RCC_CSR_WDGRSTF ((uint32_t)0x20000000)
#define RCC_CSR_WWDGRSTF ((uint32_t)0x40000000)
#define RCC_CSR_LPWRRSTF ((uint32_t)0x80000000)

/* ---- FLASH ---- */
#define FLASH_ACR_LATENCY ((uint32_t)0x00000007)
#define FLASH_ACR_LATENCY_0 ((uint32_t)0x00000001)
#define FLASH_ACR_LATENCY_1 ((uint32_t)0x00000002)
#define FLASH_ACR_LATENCY_2 ((uint32_t)0x00000004)
#define FLASH_ACR_LATENCY_0WS ((uint32_t)0x00000000)
#define FLASH_ACR_LATENCY_1WS ((uint32_t)0x00000001)
#define FLASH_ACR_LATENCY_2WS ((uint32_t)0x00000002)
#define FLASH_ACR_LATENCY_3WS ((uint32_t)0x00000003)
#define FLASH_ACR_LATENCY_4WS ((uint32_t)0x00000004)
#define FLASH_ACR_LATENCY_5WS ((uint32_t)0x00000005)
#define FLASH_ACR_LATENCY_6WS ((uint32_t)0x00000006)
#define FLASH_ACR_LATENCY_7WS ((uint32_t)0x00000007)
#define FLASH_ACR_PRFTEN ((uint32_t)0x00000100)
#define FLASH_ACR_ICEN ((uint32_t)0x00000200)
#define FLASH_ACR_DCEN ((uint32_t)0x00000400)
#define FLASH_ACR_ICRST ((uint32_t)0x00000800)
#define FLASH_ACR_DCRST ((uint32_t)0x00001000)
#define FLASH_SR_EOP ((uint32_t)0x00000001)
#define FLASH_SR_SOP ((uint32_t)0x00000002)
#define FLASH_SR_WRPERR ((uint32_t)0x00000010)
#define FLASH_SR_PGAERR ((uint32_t)0x00000020)
#define FLASH_SR_PGPERR ((uint32_t)0x00000040)
#define FLASH_SR_PGSERR ((uint32_t)0x00000080)
#define FLASH_SR_BSY ((uint32_t)0x00010000)
#define FLASH_CR_PG ((uint32_t)0x00000001)
#define FLASH_CR_SER ((uint32_t)0x00000002)
#define FLASH_CR_MER ((uint32_t)0x00000004)
#define FLASH_CR_SNB ((uint32_t)0x00000078)
#define FLASH_CR_SNB_0 ((uint32_t)0x00000008)
#define FLASH_CR_SNB_1 ((uint32_t)0x00000010)
#define FLASH_CR_SNB_2 ((uint32_t)0x00000020)
#define FLASH_CR_SNB_3 ((uint32_t)0x00000040)
#define FLASH_CR_PSIZE ((uint32_t)0x00000300)
#define FLASH_CR_PSIZE_0 ((uint32_t)0x00000100)
#define FLASH_CR_PSIZE_1 ((uint32_t)0x00000200)
#define FLASH_CR_STRT ((uint32_t)0x00010000)
#define FLASH_CR_EOPIE ((uint32_t)0x01000000)
#define FLASH_CR_LOCK ((uint32_t)0x80000000)
#define FLASH_OPTCR_OPTLOCK ((uint32_t)0x00000001)
#define FLASH_OPTCR_OPTSTRT ((uint32_t)0x00000002)

/* ---- PWR ---- */
#define PWR_CR_LPDS ((uint32_t)0x00000001)
#define PWR_CR_PDDS ((uint32_t)0x00000002)
#define PWR_CR_CWUF ((uint32_t)0x00000004)
#define PWR_CR_CSBF ((uint32_t)0x00000008)
#define PWR_CR_PVDE ((uint32_t)0x00000010)
#define PWR_CR_PLS ((uint32_t)0x000000E0)
#define PWR_CR_PLS_0 ((uint32_t)0x00000020)
#define PWR_CR_PLS_1 ((uint32_t)0x00000040)
#define PWR_CR_PLS_2 ((uint32_t)0x00000080)
#define PWR_CR_DBP ((uint32_t)0x00000100)
#define PWR_CR_FPDS ((uint32_t)0x00000200)
#define PWR_CR_VOS ((uint32_t)0x00004000)
#define PWR_CR_PMODE PWR_CR_VOS
#define PWR_CSR_WUF ((uint32_t)0x00000001)
#define PWR_CSR_SBF ((uint32_t)0x00000002)
#define PWR_CSR_PVDO ((uint32_t)0x00000004)
#define PWR_CSR_BRR ((uint32_t)0x00000008)
#define PWR_CSR_EWUP ((uint32_t)0x00000100)
#define PWR_CSR_BRE ((uint32_t)0x00000200)
#define PWR_CSR_VOSRDY ((uint32_t)0x00004000)
#define PWR_CSR_REGRDY PWR_CSR_VOSRDY

/* ---- SYSCFG ---- */
#define SYSCFG_MEMRMP_MEM_MODE ((uint32_t)0x00000003)
#define SYSCFG_MEMRMP_MEM_MODE_0 ((uint32_t)0x00000001)
#define SYSCFG_MEMRMP_MEM_MODE_1 ((uint32_t)0x00000002)
#define SYSCFG_PMC_MII_RMII_SEL ((uint32_t)0x00800000)
#define SYSCFG_CMPCR_CMP_PD ((uint32_t)0x00000001)
#define SYSCFG_CMPCR_READY ((uint32_t)0x00000100)

/* ---- TIM ---- */
#define TIM_CR1_CEN ((uint32_t)0x00000001)
#define TIM_CR1_UDIS ((uint32_t)0x00000002)
#define TIM_CR1_URS ((uint32_t)0x00000004)
#define TIM_CR1_OPM ((uint32_t)0x00000008)
#define TIM_CR1_DIR ((uint32_t)0x00000010)
#define TIM_CR1_CMS ((uint32_t)0x00000060)
#define TIM_CR1_CMS_0 ((uint32_t)0x00000020)
#define TIM_CR1_CMS_1 ((uint32_t)0x00000040)
#define TIM_CR1_ARPE ((uint32_t)0x00000080)
#define TIM_CR1_CKD ((uint32_t)0x00000300)
#define TIM_CR1_CKD_0 ((uint32_t)0x00000100)
#define TIM_CR1_CKD_1 ((uint32_t)0x00000200)
#define TIM_CR2_CCPC ((uint32_t)0x00000001)
#define TIM_CR2_CCUS ((uint32_t)0x00000004)
#define TIM_CR2_CCDS ((uint32_t)0x00000008)
#define TIM_CR2_MMS ((uint32_t)0x00000070)
#define TIM_CR2_MMS_0 ((uint32_t)0x00000010)
#define TIM_CR2_MMS_1 ((uint32_t)0x00000020)
#define TIM_CR2_MMS_2 ((uint32_t)0x00000040)
#define TIM_CR2_TI1S ((uint32_t)0x00000080)
#define TIM_CR2_OIS1 ((uint32_t)0x00000100)
#define TIM_CR2_OIS1N ((uint32_t)0x00000200)
#define TIM_CR2_OIS2 ((uint32_t)0x00000400)
#define TIM_CR2_OIS2N ((uint32_t)0x00000800)
#define TIM_CR2_OIS3 ((uint32_t)0x00001000)
#define TIM_CR2_OIS3N ((uint32_t)0x00002000)
#define TIM_CR2_OIS4 ((uint32_t)0x00004000)
#define TIM_SMCR_SMS ((uint32_t)0x00000007)
#define TIM_SMCR_SMS_0 ((uint32_t)0x00000001)
#define TIM_SMCR_SMS_1 ((uint32_t)0x00000002)
#define TIM_SMCR_SMS_2 ((uint32_t)0x00000004)
#define TIM_SMCR_TS ((uint32_t)0x00000070)
#define TIM_SMCR_TS_0 ((uint32_t)0x00000010)
#define TIM_SMCR_TS_1 ((uint32_t)0x00000020)
#define TIM_SMCR_TS_2 ((uint32_t)0x00000040)
#define TIM_SMCR_MSM ((uint32_t)0x00000080)
#define TIM_SMCR_ETF ((uint32_t)0x00000F00)
#define TIM_SMCR_ETF_0 ((uint32_t)0x00000100)
#define TIM_SMCR_ETF_1 ((uint32_t)0x00000200)
#define TIM_SMCR_ETF_2 ((uint32_t)0x00000400)
#define TIM_SMCR_ETF_3 ((uint32_t)0x00000800)
#define TIM_SMCR_ETPS ((uint32_t)0x00003000)
#define TIM_SMCR_ETPS_0 ((uint32_t)0x00001000)
#define TIM_SMCR_ETPS_1 ((uint32_t)0x00002000)
#define TIM_SMCR_ECE ((uint32_t)0x00004000)
#define TIM_SMCR_ETP ((uint32_t)0x00008000)
#define TIM_DIER_UIE ((uint32_t)0x00000001)
#define TIM_DIER_CC1IE ((uint32_t)0x00000002)
#define TIM_DIER_CC2IE ((uint32_t)0x00000004)
#define TIM_DIER_CC3IE ((uint32_t)0x00000008)
#define TIM_DIER_CC4IE ((uint32_t)0x00000010)
#define TIM_DIER_COMIE ((uint32_t)0x00000020)
#define TIM_DIER_TIE ((uint32_t)0x00000040)
#define TIM_DIER_BIE ((uint32_t)0x00000080)
#define TIM_DIER_UDE ((uint32_t)0x00000100)
#define TIM_DIER_CC1DE ((uint32_t)0x00000200)
#define TIM_DIER_CC2DE ((uint32_t)0x00000400)
#define TIM_DIER_CC3DE ((uint32_t)0x00000800)
#define TIM_DIER_CC4DE ((uint32_t)0x00001000)
#define TIM_DIER_COMDE ((uint32_t)0x00002000)
#define TIM_DIER_TDE ((uint32_t)0x00004000)
#define TIM_SR_UIF ((uint32_t)0x00000001)
#define TIM_SR_CC1IF ((uint32_t)0x00000002)
#define TIM_SR_CC2IF ((uint32_t)0x00000004)
#define TIM_SR_CC3IF ((uint32_t)0x00000008)
#define TIM_SR_CC4IF ((uint32_t)0x00000010)
#define TIM_SR_COMIF ((uint32_t)0x00000020)
#define TIM_SR_TIF ((uint32_t)0x00000040)
#define TIM_SR_BIF ((uint32_t)0x00000080)
#define TIM_SR_CC1OF ((uint32_t)0x00000200)
#define TIM_SR_CC2OF ((uint32_t)0x00000400)
#define TIM_SR_CC3OF ((uint32_t)0x00000800)
#define TIM_SR_CC4OF ((uint32_t)0x00001000)
#define TIM_EGR_UG ((uint32_t)0x00000001)
#define TIM_EGR_CC1G ((uint32_t)0x00000002)
#define TIM_EGR_CC2G ((uint32_t)0x00000004)
#define TIM_EGR_CC3G ((uint32_t)0x00000008)
#define TIM_EGR_CC4G ((uint32_t)0x00000010)
#define TIM_EGR_COMG ((uint32_t)0x00000020)
#define TIM_EGR_TG ((uint32_t)0x00000040)
#define TIM_EGR_BG ((uint32_t)0x00000080)
#define TIM_CCMR1_CC1S ((uint32_t)0x00000003)
#define TIM_CCMR1_CC1S_0 ((uint32_t)0x00000001)
#define TIM_CCMR1_CC1S_1 ((uint32_t)0x00000002)
#define TIM_CCMR1_OC1FE ((uint32_t)0x00000004)
#define TIM_CCMR1_OC1PE ((uint32_t)0x00000008)
#define TIM_CCMR1_OC1M ((uint32_t)0x00000070)
#define TIM_CCMR1_OC1M_0 ((uint32_t)0x00000010)
#define TIM_CCMR1_OC1M_1 ((uint32_t)0x00000020)
#define TIM_CCMR1_OC1M_2 ((uint32_t)0x00000040)
#define TIM_CCMR1_OC1CE ((uint32_t)0x00000080)
#define TIM_CCMR1_CC2S ((uint32_t)0x00000300)
#define TIM_CCMR1_CC2S_0 ((uint32_t)0x00000100)
#define TIM_CCMR1_CC2S_1 ((uint32_t)0x00000200)
#define TIM_CCMR1_OC2FE ((uint32_t)0x00000400)
#define TIM_CCMR1_OC2PE ((uint32_t)0x00000800)
#define TIM_CCMR1_OC2M ((uint32_t)0x00007000)
#define TIM_CCMR1_OC2M_0 ((uint32_t)0x00001000)
#define TIM_CCMR1_OC2M_1 ((uint32_t)0x00002000)
#define TIM_CCMR1_OC2M_2 ((uint32_t)0x00004000)
#define TIM_CCMR1_OC2CE ((uint32_t)0x00008000)
#define TIM_CCMR2_CC3S ((uint32_t)0x00000003)
#define TIM_CCMR2_CC3S_0 ((uint32_t)0x00000001)
#define TIM_CCMR2_CC3S_1 ((uint32_t)0x00000002)
#define TIM_CCMR2_OC3FE ((uint32_t)0x00000004)
#define TIM_CCMR2_OC3PE ((uint32_t)0x00000008)
#define TIM_CCMR2_OC3M ((uint32_t)0x00000070)
#define TIM_CCMR2_OC3M_0 ((uint32_t)0x00000010)
#define TIM_CCMR2_OC3M_1 ((uint32_t)0x00000020)
#define TIM_CCMR2_OC3M_2 ((uint32_t)0x00000040)
#define TIM_CCMR2_OC3CE ((uint32_t)0x00000080)
#define TIM_CCMR2_CC4S ((uint32_t)0x00000300)
#define TIM_CCMR2_CC4S_0 ((uint32_t)0x00000100)
#define TIM_CCMR2_CC4S_1 ((uint32_t)0x00000200)
#define TIM_CCMR2_OC4FE ((uint32_t)0x00000400)
#define TIM_CCMR2_OC4PE ((uint32_t)0x00000800)
#define TIM_CCMR2_OC4M ((uint32_t)0x00007000)
#define TIM_CCMR2_OC4M_0 ((uint32_t)0x00001000)
#define TIM_CCMR2_OC4M_1 ((uint32_t)0x00002000)
#define TIM_CCMR2_OC4M_2 ((uint32_t)0x00004000)
#define TIM_CCMR2_OC4CE ((uint32_t)0x00008000)
#define TIM_CCER_CC1E ((uint32_t)0x00000001)
#define TIM_CCER_CC1P ((uint32_t)0x00000002)
#define TIM_CCER_CC1NE ((uint32_t)0x00000004)
#define TIM_CCER_CC1NP ((uint32_t)0x00000008)
#define TIM_CCER_CC2E ((uint32_t)0x00000010)
#define TIM_CCER_CC2P ((uint32_t)0x00000020)
#define TIM_CCER_CC2NE ((uint32_t)0x00000040)
#define TIM_CCER_CC2NP ((uint32_t)0x00000080)
#define TIM_CCER_CC3E ((uint32_t)0x00000100)
#define TIM_CCER_CC3P ((uint32_t)0x00000200)
#define TIM_CCER_CC3NE ((uint32_t)0x00000400)
#define TIM_CCER_CC3NP ((uint32_t)0x00000800)
#define TIM_CCER_CC4E ((uint32_t)0x00001000)
#define TIM_CCER_CC4P ((uint32_t)0x00002000)
#define TIM_CCER_CC4NP ((uint32_t)0x00008000)
#define TIM_BDTR_DTG ((uint32_t)0x000000FF)
#define TIM_BDTR_DTG_0 ((uint32_t)0x00000001)
#define TIM_BDTR_DTG_1 ((uint32_t)0x00000002)
#define TIM_BDTR_DTG_2 ((uint32_t)0x00000004)
#define TIM_BDTR_DTG_3 ((uint32_t)0x00000008)
#define TIM_BDTR_DTG_4 ((uint32_t)0x00000010)
#define TIM_BDTR_DTG_5 ((uint32_t)0x00000020)
#define TIM_BDTR_DTG_6 ((uint32_t)0x00000040)
#define TIM_BDTR_DTG_7 ((uint32_t)0x00000080)
#define TIM_BDTR_LOCK ((uint32_t)0x00000300)
#define TIM_BDTR_LOCK_0 ((uint32_t)0x00000100)
#define TIM_BDTR_LOCK_1 ((uint32_t)0x00000200)
#define TIM_BDTR_OSSI ((uint32_t)0x00000400)
#define TIM_BDTR_OSSR ((uint32_t)0x00000800)
#define TIM_BDTR_BKE ((uint32_t)0x00001000)
#define TIM_BDTR_BKP ((uint32_t)0x00002000)
#define TIM_BDTR_AOE ((uint32_t)0x00004000)
#define TIM_BDTR_MOE ((uint32_t)0x00008000)

/* ---- EXTI ---- */
#define EXTI_IMR_MR0 ((uint32_t)0x00000001)
#define EXTI_PR_PR0 ((uint32_t)0x00000001)

/* ---- ADC ---- */
#define ADC_SR_AWD ((uint32_t)0x00000001)
#define ADC_SR_EOC ((uint32_t)0x00000002)
#define ADC_SR_JEOC ((uint32_t)0x00000004)
#define ADC_SR_JSTRT ((uint32_t)0x00000008)
#define ADC_SR_STRT ((uint32_t)0x00000010)
#define ADC_SR_OVR ((uint32_t)0x00000020)
#define ADC_CR1_AWDCH ((uint32_t)0x0000001F)
#define ADC_CR1_AWDCH_0 ((uint32_t)0x00000001)
#define ADC_CR1_AWDCH_1 ((uint32_t)0x00000002)
#define ADC_CR1_AWDCH_2 ((uint32_t)0x00000004)
#define ADC_CR1_AWDCH_3 ((uint32_t)0x00000008)
#define ADC_CR1_AWDCH_4 ((uint32_t)0x00000010)
#define ADC_CR1_EOCIE ((uint32_t)0x00000020)
#define ADC_CR1_AWDIE ((uint32_t)0x00000040)
#define ADC_CR1_JEOCIE ((uint32_t)0x00000080)
#define ADC_CR1_SCAN ((uint32_t)0x00000100)
#define ADC_CR1_AWDSGL ((uint32_t)0x00000200)
#define ADC_CR1_JAUTO ((uint32_t)0x00000400)
#define ADC_CR1_DISCEN ((uint32_t)0x00000800)
#define ADC_CR1_JDISCEN ((uint32_t)0x00001000)
#define ADC_CR1_DISCNUM ((uint32_t)0x0000E000)
#define ADC_CR1_DISCNUM_0 ((uint32_t)0x00002000)
#define ADC_CR1_DISCNUM_1 ((uint32_t)0x00004000)
#define ADC_CR1_DISCNUM_2 ((uint32_t)0x00008000)
#define ADC_CR1_JAWDEN ((uint32_t)0x00400000)
#define ADC_CR1_AWDEN ((uint32_t)0x00800000)
#define ADC_CR1_RES ((uint32_t)0x03000000)
#define ADC_CR1_RES_0 ((uint32_t)0x01000000)
#define ADC_CR1_RES_1 ((uint32_t)0x02000000)
#define ADC_CR1_OVRIE ((uint32_t)0x04000000)
#define ADC_CR2_ADON ((uint32_t)0x00000001)
#define ADC_CR2_CONT ((uint32_t)0x00000002)
#define ADC_CR2_DMA ((uint32_t)0x00000100)
#define ADC_CR2_DDS ((uint32_t)0x00000200)
#define ADC_CR2_EOCS ((uint32_t)0x00000400)
#define ADC_CR2_ALIGN ((uint32_t)0x00000800)
#define ADC_CR2_JEXTSEL ((uint32_t)0x000F0000)
#define ADC_CR2_JEXTSEL_0 ((uint32_t)0x00010000)
#define ADC_CR2_JEXTSEL_1 ((uint32_t)0x00020000)
#define ADC_CR2_JEXTSEL_2 ((uint32_t)0x00040000)
#define ADC_CR2_JEXTSEL_3 ((uint32_t)0x00080000)
#define ADC_CR2_JEXTEN ((uint32_t)0x00300000)
#define ADC_CR2_JEXTEN_0 ((uint32_t)0x00100000)
#define ADC_CR2_JEXTEN_1 ((uint32_t)0x00200000)
#define ADC_CR2_JSWSTART ((uint32_t)0x00400000)
#define ADC_CR2_EXTSEL ((uint32_t)0x0F000000)
#define ADC_CR2_EXTSEL_0 ((uint32_t)0x01000000)
#define ADC_CR2_EXTSEL_1 ((uint32_t)0x02000000)
#define ADC_CR2_EXTSEL_2 ((uint32_t)0x04000000)
#define ADC_CR2_EXTSEL_3 ((uint32_t)0x08000000)
#define ADC_CR2_EXTEN ((uint32_t)0x30000000)
#define ADC_CR2_EXTEN_0 ((uint32_t)0x10000000)
#define ADC_CR2_EXTEN_1 ((uint32_t)0x20000000)
#define ADC_CR2_SWSTART ((uint32_t)0x40000000)
#define ADC_SQR1_L ((uint32_t)0x00F00000)
#define ADC_SQR1_L_0 ((uint32_t)0x00100000)
#define ADC_SQR1_L_1 ((uint32_t)0x00200000)
#define ADC_SQR1_L_2 ((uint32_t)0x00400000)
#define ADC_SQR1_L_3 ((uint32_t)0x00800000)
#define ADC_SQR3_SQ1 ((uint32_t)0x0000001F)
#define ADC_SQR3_SQ1_0 ((uint32_t)0x00000001)
#define ADC_SQR3_SQ1_1 ((uint32_t)0x00000002)
#define ADC_SQR3_SQ1_2 ((uint32_t)0x00000004)
#define ADC_SQR3_SQ1_3 ((uint32_t)0x00000008)
#define ADC_SQR3_SQ1_4 ((uint32_t)0x00000010)
#define ADC_CCR_MULTI ((uint32_t)0x0000001F)
#define ADC_CCR_MULTI_0 ((uint32_t)0x00000001)
#define ADC_CCR_MULTI_1 ((uint32_t)0x00000002)
#define ADC_CCR_MULTI_2 ((uint32_t)0x00000004)
#define ADC_CCR_MULTI_3 ((uint32_t)0x00000008)
#define ADC_CCR_MULTI_4 ((uint32_t)0x00000010)
#define ADC_CCR_DELAY ((uint32_t)0x00000F00)
#define ADC_CCR_DELAY_0 ((uint32_t)0x00000100)
#define ADC_CCR_DELAY_1 ((uint32_t)0x00000200)
#define ADC_CCR_DELAY_2 ((uint32_t)0x00000400)
#define ADC_CCR_DELAY_3 ((uint32_t)0x00000800)
#define ADC_CCR_DDS ((uint32_t)0x00002000)
#define ADC_CCR_DMA ((uint32_t)0x0000C000)
#define ADC_CCR_DMA_0 ((uint32_t)0x00004000)
#define ADC_CCR_DMA_1 ((uint32_t)0x00008000)
#define ADC_CCR_ADCPRE ((uint32_t)0x00030000)
#define ADC_CCR_ADCPRE_0 ((uint32_t)0x00010000)
#define ADC_CCR_ADCPRE_1 ((uint32_t)0x00020000)
#define ADC_CCR_VBATE ((uint32_t)0x00400000)
#define ADC_CCR_TSVREFE ((uint32_t)0x00800000)

/* ---- I2C ---- */
#define I2C_CR1_PE ((uint32_t)0x00000001)
#define I2C_CR1_SMBUS ((uint32_t)0x00000002)
#define I2C_CR1_SMBTYPE ((uint32_t)0x00000008)
#define I2C_CR1_ENARP ((uint32_t)0x00000010)
#define I2C_CR1_ENPEC ((uint32_t)0x00000020)
#define I2C_CR1_ENGC ((uint32_t)0x00000040)
#define I2C_CR1_NOSTRETCH ((uint32_t)0x00000080)
#define I2C_CR1_START ((uint32_t)0x00000100)
#define I2C_CR1_STOP ((uint32_t)0x00000200)
#define I2C_CR1_ACK ((uint32_t)0x00000400)
#define I2C_CR1_POS ((uint32_t)0x00000800)
#define I2C_CR1_PEC ((uint32_t)0x00001000)
#define I2C_CR1_ALERT ((uint32_t)0x00002000)
#define I2C_CR1_SWRST ((uint32_t)0x00008000)
#define I2C_CR2_FREQ ((uint32_t)0x0000003F)
#define I2C_CR2_FREQ_0 ((uint32_t)0x00000001)
#define I2C_CR2_FREQ_1 ((uint32_t)0x00000002)
#define I2C_CR2_FREQ_2 ((uint32_t)0x00000004)
#define I2C_CR2_FREQ_3 ((uint32_t)0x00000008)
#define I2C_CR2_FREQ_4 ((uint32_t)0x00000010)
#define I2C_CR2_FREQ_5 ((uint32_t)0x00000020)
#define I2C_CR2_ITERREN ((uint32_t)0x00000100)
#define I2C_CR2_ITEVTEN ((uint32_t)0x00000200)
#define I2C_CR2_ITBUFEN ((uint32_t)0x00000400)
#define I2C_CR2_DMAEN ((uint32_t)0x00000800)
#define I2C_CR2_LAST ((uint32_t)0x00001000)
#define I2C_OAR1_ADD0 ((uint32_t)0x00000001)
#define I2C_OAR1_ADD1_7 ((uint32_t)0x000000FE)
#define I2C_OAR1_ADD1_7_0 ((uint32_t)0x00000002)
#define I2C_OAR1_ADD1_7_1 ((uint32_t)0x00000004)
#define I2C_OAR1_ADD1_7_2 ((uint32_t)0x00000008)
#define I2C_OAR1_ADD1_7_3 ((uint32_t)0x00000010)
#define I2C_OAR1_ADD1_7_4 ((uint32_t)0x00000020)
#define I2C_OAR1_ADD1_7_5 ((uint32_t)0x00000040)
#define I2C_OAR1_ADD1_7_6 ((uint32_t)0x00000080)
#define I2C_OAR1_ADD8_9 ((uint32_t)0x00000300)
#define I2C_OAR1_ADD8_9_0 ((uint32_t)0x00000100)
#define I2C_OAR1_ADD8_9_1 ((uint32_t)0x00000200)
#define I2C_OAR1_ADDMODE ((uint32_t)0x00008000)
#define I2C_OAR2_ENDUAL ((uint32_t)0x00000001)
#define I2C_OAR2_ADD2 ((uint32_t)0x000000FE)
#define I2C_OAR2_ADD2_0 ((uint32_t)0x00000002)
#define I2C_OAR2_ADD2_1 ((uint32_t)0x00000004)
#define I2C_OAR2_ADD2_2 ((uint32_t)0x00000008)
#define I2C_OAR2_ADD2_3 ((uint32_t)0x00000010)
#define I2C_OAR2_ADD2_4 ((uint32_t)0x00000020)
#define I2C_OAR2_ADD2_5 ((uint32_t)0x00000040)
#define I2C_OAR2_ADD2_6 ((uint32_t)0x00000080)
#define I2C_SR1_SB ((uint32_t)0x00000001)
#define I2C_SR1_ADDR ((uint32_t)0x00000002)
#define I2C_SR1_BTF ((uint32_t)0x00000004)
#define I2C_SR1_ADD10 ((uint32_t)0x00000008)
#define I2C_SR1_STOPF ((uint32_t)0x00000010)
#define I2C_SR1_RXNE ((uint32_t)0x00000040)
#define I2C_SR1_TXE ((uint32_t)0x00000080)
#define I2C_SR1_BERR ((uint32_t)0x00000100)
#define I2C_SR1_ARLO ((uint32_t)0x00000200)
#define I2C_SR1_AF ((uint32_t)0x00000400)
#define I2C_SR1_OVR ((uint32_t)0x00000800)
#define I2C_SR1_PECERR ((uint32_t)0x00001000)
#define I2C_SR1_TIMEOUT ((uint32_t)0x00004000)
#define I2C_SR1_SMBALERT ((uint32_t)0x00008000)
#define I2C_SR2_MSL ((uint32_t)0x00000001)
#define I2C_SR2_BUSY ((uint32_t)0x00000002)
#define I2C_SR2_TRA ((uint32_t)0x00000004)
#define I2C_SR2_GENCALL ((uint32_t)0x00000010)
#define I2C_SR2_SMBDEFAULT ((uint32_t)0x00000020)
#define I2C_SR2_SMBHOST ((uint32_t)0x00000040)
#define I2C_SR2_DUALF ((uint32_t)0x00000080)
#define I2C_SR2_PEC ((uint32_t)0x0000FF00)
#define I2C_SR2_PEC_0 ((uint32_t)0x00000100)
#define I2C_SR2_PEC_1 ((uint32_t)0x00000200)
#define I2C_SR2_PEC_2 ((uint32_t)0x00000400)
#define I2C_SR2_PEC_3 ((uint32_t)0x00000800)
#define I2C_SR2_PEC_4 ((uint32_t)0x00001000)
#define I2C_SR2_PEC_5 ((uint32_t)0x00002000)
#define I2C_SR2_PEC_6 ((uint32_t)0x00004000)
#define I2C_SR2_PEC_7 ((uint32_t)0x00008000)
#define I2C_CCR_CCR ((uint32_t)0x00000FFF)
#define I2C_CCR_CCR_0 ((uint32_t)0x00000001)
#define I2C_CCR_CCR_1 ((uint32_t)0x00000002)
#define I2C_CCR_CCR_2 ((uint32_t)0x00000004)
#define I2C_CCR_CCR_3 ((uint32_t)0x00000008)
#define I2C_CCR_CCR_4 ((uint32_t)0x00000010)
#define I2C_CCR_CCR_5 ((uint32_t)0x00000020)
#define I2C_CCR_CCR_6 ((uint32_t)0x00000040)
#define I2C_CCR_CCR_7 ((uint32_t)0x00000080)
#define I2C_CCR_CCR_8 ((uint32_t)0x00000100)
#define I2C_CCR_CCR_9 ((uint32_t)0x00000200)
#define I2C_CCR_CCR_10 ((uint32_t)0x00000400)
#define I2C_CCR_CCR_11 ((uint32_t)0x00000800)
#define I2C_CCR_DUTY ((uint32_t)0x00004000)
#define I2C_CCR_FS ((uint32_t)0x00008000)
#define I2C_TRISE_TRISE ((uint32_t)0x0000003F)
#define I2C_TRISE_TRISE_0 ((uint32_t)0x00000001)
#define I2C_TRISE_TRISE_1 ((uint32_t)0x00000002)
#define I2C_TRISE_TRISE_2 ((uint32_t)0x00000004)
#define I2C_TRISE_TRISE_3 ((uint32_t)0x00000008)
#define I2C_TRISE_TRISE_4 ((uint32_t)0x00000010)
#define I2C_TRISE_TRISE_5 ((uint32_t)0x00000020)

/* ---- DMA ---- */
#define DMA_SxCR_EN ((uint32_t)0x00000001)
#define DMA_SxCR_DMEIE ((uint32_t)0x00000002)
#define DMA_SxCR_TEIE ((uint32_t)0x00000004)
#define DMA_SxCR_HTIE ((uint32_t)0x00000008)
#define DMA_SxCR_TCIE ((uint32_t)0x00000010)
#define DMA_SxCR_PFCTRL ((uint32_t)0x00000020)
#define DMA_SxCR_DIR ((uint32_t)0x000000C0)
#define DMA_SxCR_DIR_0 ((uint32_t)0x00000040)
#define DMA_SxCR_DIR_1 ((uint32_t)0x00000080)
#define DMA_SxCR_CIRC ((uint32_t)0x00000100)
#define DMA_SxCR_PINC ((uint32_t)0x00000200)
#define DMA_SxCR_MINC ((uint32_t)0x00000400)
#define DMA_SxCR_PSIZE ((uint32_t)0x00001800)
#define DMA_SxCR_PSIZE_0 ((uint32_t)0x00000800)
#define DMA_SxCR_PSIZE_1 ((uint32_t)0x00001000)
#define DMA_SxCR_MSIZE ((uint32_t)0x00006000)
#define DMA_SxCR_MSIZE_0 ((uint32_t)0x00002000)
#define DMA_SxCR_MSIZE_1 ((uint32_t)0x00004000)
#define DMA_SxCR_PINCOS ((uint32_t)0x00008000)
#define DMA_SxCR_PL ((uint32_t)0x00030000)
#define DMA_SxCR_PL_0 ((uint32_t)0x00010000)
#define DMA_SxCR_PL_1 ((uint32_t)0x00020000)
#define DMA_SxCR_DBM ((uint32_t)0x00040000)
#define DMA_SxCR_CT ((uint32_t)0x00080000)
#define DMA_SxCR_PBURST ((uint32_t)0x00600000)
#define DMA_SxCR_PBURST_0 ((uint32_t)0x00200000)
#define DMA_SxCR_PBURST_1 ((uint32_t)0x00400000)
#define DMA_SxCR_MBURST ((uint32_t)0x01800000)
#define DMA_SxCR_MBURST_0 ((uint32_t)0x00800000)
#define DMA_SxCR_MBURST_1 ((uint32_t)0x01000000)
#define DMA_SxCR_CHSEL ((uint32_t)0x0E000000)
#define DMA_SxCR_CHSEL_0 ((uint32_t)0x02000000)
#define DMA_SxCR_CHSEL_1 ((uint32_t)0x04000000)
#define DMA_SxCR_CHSEL_2 ((uint32_t)0x08000000)
#define DMA_SxNDT ((uint32_t)0x0000FFFF)
#define DMA_SxNDT_0 ((uint32_t)0x00000001)
#define DMA_SxNDT_1 ((uint32_t)0x00000002)
#define DMA_SxNDT_2 ((uint32_t)0x00000004)
#define DMA_SxNDT_3 ((uint32_t)0x00000008)
#define DMA_SxNDT_4 ((uint32_t)0x00000010)
#define DMA_SxNDT_5 ((uint32_t)0x00000020)
#define DMA_SxNDT_6 ((uint32_t)0x00000040)
#define DMA_SxNDT_7 ((uint32_t)0x00000080)
#define DMA_SxNDT_8 ((uint32_t)0x00000100)
#define DMA_SxNDT_9 ((uint32_t)0x00000200)
#define DMA_SxNDT_10 ((uint32_t)0x00000400)
#define DMA_SxNDT_11 ((uint32_t)0x00000800)
#define DMA_SxNDT_12 ((uint32_t)0x00001000)
#define DMA_SxNDT_13 ((uint32_t)0x00002000)
#define DMA_SxNDT_14 ((uint32_t)0x00004000)
#define DMA_SxNDT_15 ((uint32_t)0x00008000)
#define DMA_SxFCR_FTH ((uint32_t)0x00000003)
#define DMA_SxFCR_FTH_0 ((uint32_t)0x00000001)
#define DMA_SxFCR_FTH_1 ((uint32_t)0x00000002)
#define DMA_SxFCR_DMDIS ((uint32_t)0x00000004)
#define DMA_SxFCR_FS ((uint32_t)0x00000038)
#define DMA_SxFCR_FS_0 ((uint32_t)0x00000008)
#define DMA_SxFCR_FS_1 ((uint32_t)0x00000010)
#define DMA_SxFCR_FS_2 ((uint32_t)0x00000020)
#define DMA_SxFCR_FEIE ((uint32_t)0x00000080)
/* LISR/LIFCR: stream 0 at bit 0, 1 at 6, 2 at 16, 3 at 22; HISR/HIFCR the same for streams 4..7 */
#define DMA_LISR_FEIF0 ((uint32_t)0x00000001)
#define DMA_LISR_DMEIF0 ((uint32_t)0x00000004)
#define DMA_LISR_TEIF0 ((uint32_t)0x00000008)
#define DMA_LISR_HTIF0 ((uint32_t)0x00000010)
#define DMA_LISR_TCIF0 ((uint32_t)0x00000020)
#define DMA_LISR_FEIF1 ((uint32_t)0x00000040)
#define DMA_LISR_DMEIF1 ((uint32_t)0x00000100)
#define DMA_LISR_TEIF1 ((uint32_t)0x00000200)
#define DMA_LISR_HTIF1 ((uint32_t)0x00000400)
#define DMA_LISR_TCIF1 ((uint32_t)0x00000800)
#define DMA_LISR_FEIF2 ((uint32_t)0x00010000)
#define DMA_LISR_DMEIF2 ((uint32_t)0x00040000)
#define DMA_LISR_TEIF2 ((uint32_t)0x00080000)
#define DMA_LISR_HTIF2 ((uint32_t)0x00100000)
#define DMA_LISR_TCIF2 ((uint32_t)0x00200000)
#define DMA_LISR_FEIF3 ((uint32_t)0x00400000)
#define DMA_LISR_DMEIF3 ((uint32_t)0x01000000)
#define DMA_LISR_TEIF3 ((uint32_t)0x02000000)
#define DMA_LISR_HTIF3 ((uint32_t)0x04000000)
#define DMA_LISR_TCIF3 ((uint32_t)0x08000000)
#define DMA_HISR_FEIF4 ((uint32_t)0x00000001)
#define DMA_HISR_DMEIF4 ((uint32_t)0x00000004)
#define DMA_HISR_TEIF4 ((uint32_t)0x00000008)
#define DMA_HISR_HTIF4 ((uint32_t)0x00000010)
#define DMA_HISR_TCIF4 ((uint32_t)0x00000020)
#define DMA_HISR_FEIF5 ((uint32_t)0x00000040)
#define DMA_HISR_DMEIF5 ((uint32_t)0x00000100)
#define DMA_HISR_TEIF5 ((uint32_t)0x00000200)
#define DMA_HISR_HTIF5 ((uint32_t)0x00000400)
#define DMA_HISR_TCIF5 ((uint32_t)0x00000800)
#define DMA_HISR_FEIF6 ((uint32_t)0x00010000)
#define DMA_HISR_DMEIF6 ((uint32_t)0x00040000)
#define DMA_HISR_TEIF6 ((uint32_t)0x00080000)
#define DMA_HISR_HTIF6 ((uint32_t)0x00100000)
#define DMA_HISR_TCIF6 ((uint32_t)0x00200000)
#define DMA_HISR_FEIF7 ((uint32_t)0x00400000)
#define DMA_HISR_DMEIF7 ((uint32_t)0x01000000)
#define DMA_HISR_TEIF7 ((uint32_t)0x02000000)
#define DMA_HISR_HTIF7 ((uint32_t)0x04000000)
#define DMA_HISR_TCIF7 ((uint32_t)0x08000000)
#define DMA_LIFCR_CFEIF0 ((uint32_t)0x00000001)
#define DMA_LIFCR_CDMEIF0 ((uint32_t)0x00000004)
#define DMA_LIFCR_CTEIF0 ((uint32_t)0x00000008)
#define DMA_LIFCR_CHTIF0 ((uint32_t)0x00000010)
#define DMA_LIFCR_CTCIF0 ((uint32_t)0x00000020)
#define DMA_LIFCR_CFEIF1 ((uint32_t)0x00000040)
#define DMA_LIFCR_CDMEIF1 ((uint32_t)0x00000100)
#define DMA_LIFCR_CTEIF1 ((uint32_t)0x00000200)
#define DMA_LIFCR_CHTIF1 ((uint32_t)0x00000400)
#define DMA_LIFCR_CTCIF1 ((uint32_t)0x00000800)
#define DMA_LIFCR_CFEIF2 ((uint32_t)0x00010000)
#define DMA_LIFCR_CDMEIF2 ((uint32_t)0x00040000)
#define DMA_LIFCR_CTEIF2 ((uint32_t)0x00080000)
#define DMA_LIFCR_CHTIF2 ((uint32_t)0x00100000)
#define DMA_LIFCR_CTCIF2 ((uint32_t)0x00200000)
#define DMA_LIFCR_CFEIF3 ((uint32_t)0x00400000)
#define DMA_LIFCR_CDMEIF3 ((uint32_t)0x01000000)
#define DMA_LIFCR_CTEIF3 ((uint32_t)0x02000000)
#define DMA_LIFCR_CHTIF3 ((uint32_t)0x04000000)
#define DMA_LIFCR_CTCIF3 ((uint32_t)0x08000000)
#define DMA_HIFCR_CFEIF4 ((uint32_t)0x00000001)
#define DMA_HIFCR_CDMEIF4 ((uint32_t)0x00000004)
#define DMA_HIFCR_CTEIF4 ((uint32_t)0x00000008)
#define DMA_HIFCR_CHTIF4 ((uint32_t)0x00000010)
#define DMA_HIFCR_CTCIF4 ((uint32_t)0x00000020)
#define DMA_HIFCR_CFEIF5 ((uint32_t)0x00000040)
#define DMA_HIFCR_CDMEIF5 ((uint32_t)0x00000100)
#define DMA_HIFCR_CTEIF5 ((uint32_t)0x00000200)
#define DMA_HIFCR_CHTIF5 ((uint32_t)0x00000400)
#define DMA_HIFCR_CTCIF5 ((uint32_t)0x00000800)
#define DMA_HIFCR_CFEIF6 ((uint32_t)0x00010000)
#define DMA_HIFCR_CDMEIF6 ((uint32_t)0x00040000)
#define DMA_HIFCR_CTEIF6 ((uint32_t)0x00080000)
#define DMA_HIFCR_CHTIF6 ((uint32_t)0x00100000)
#define DMA_HIFCR_CTCIF6 ((uint32_t)0x00200000)
#define DMA_HIFCR_CFEIF7 ((uint32_t)0x00400000)
#define DMA_HIFCR_CDMEIF7 ((uint32_t)0x01000000)
#define DMA_HIFCR_CTEIF7 ((uint32_t)0x02000000)
#define DMA_HIFCR_CHTIF7 ((uint32_t)0x04000000)
#define DMA_HIFCR_CTCIF7 ((uint32_t)0x08000000)

/* ---- SDIO ---- */
#define SDIO_POWER_PWRCTRL ((uint32_t)0x00000003)
#define SDIO_POWER_PWRCTRL_0 ((uint32_t)0x00000001)
#define SDIO_POWER_PWRCTRL_1 ((uint32_t)0x00000002)
#define SDIO_CLKCR_CLKDIV ((uint32_t)0x000000FF)
#define SDIO_CLKCR_CLKDIV_0 ((uint32_t)0x00000001)
#define SDIO_CLKCR_CLKDIV_1 ((uint32_t)0x00000002)
#define SDIO_CLKCR_CLKDIV_2 ((uint32_t)0x00000004)
#define SDIO_CLKCR_CLKDIV_3 ((uint32_t)0x00000008)
#define SDIO_CLKCR_CLKDIV_4 ((uint32_t)0x00000010)
#define SDIO_CLKCR_CLKDIV_5 ((uint32_t)0x00000020)
#define SDIO_CLKCR_CLKDIV_6 ((uint32_t)0x00000040)
#define SDIO_CLKCR_CLKDIV_7 ((uint32_t)0x00000080)
#define SDIO_CLKCR_CLKEN ((uint32_t)0x00000100)
#define SDIO_CLKCR_PWRSAV ((uint32_t)0x00000200)
#define SDIO_CLKCR_BYPASS ((uint32_t)0x00000400)
#define SDIO_CLKCR_WIDBUS ((uint32_t)0x00001800)
#define SDIO_CLKCR_WIDBUS_0 ((uint32_t)0x00000800)
#define SDIO_CLKCR_WIDBUS_1 ((uint32_t)0x00001000)
#define SDIO_CLKCR_NEGEDGE ((uint32_t)0x00002000)
#define SDIO_CLKCR_HWFC_EN ((uint32_t)0x00004000)
#define SDIO_CMD_CMDINDEX ((uint32_t)0x0000003F)
#define SDIO_CMD_CMDINDEX_0 ((uint32_t)0x00000001)
#define SDIO_CMD_CMDINDEX_1 ((uint32_t)0x00000002)
#define SDIO_CMD_CMDINDEX_2 ((uint32_t)0x00000004)
#define SDIO_CMD_CMDINDEX_3 ((uint32_t)0x00000008)
#define SDIO_CMD_CMDINDEX_4 ((uint32_t)0x00000010)
#define SDIO_CMD_CMDINDEX_5 ((uint32_t)0x00000020)
#define SDIO_CMD_WAITRESP ((uint32_t)0x000000C0)
#define SDIO_CMD_WAITRESP_0 ((uint32_t)0x00000040)
#define SDIO_CMD_WAITRESP_1 ((uint32_t)0x00000080)
#define SDIO_CMD_WAITINT ((uint32_t)0x00000100)
#define SDIO_CMD_WAITPEND ((uint32_t)0x00000200)
#define SDIO_CMD_CPSMEN ((uint32_t)0x00000400)
#define SDIO_CMD_SDIOSUSPEND ((uint32_t)0x00000800)
#define SDIO_CMD_ENCMDCOMPL ((uint32_t)0x00001000)
#define SDIO_CMD_NIEN ((uint32_t)0x00002000)
#define SDIO_CMD_CEATACMD ((uint32_t)0x00004000)
#define SDIO_RESPCMD_RESPCMD ((uint32_t)0x0000003F)
#define SDIO_RESPCMD_RESPCMD_0 ((uint32_t)0x00000001)
#define SDIO_RESPCMD_RESPCMD_1 ((uint32_t)0x00000002)
#define SDIO_RESPCMD_RESPCMD_2 ((uint32_t)0x00000004)
#define SDIO_RESPCMD_RESPCMD_3 ((uint32_t)0x00000008)
#define SDIO_RESPCMD_RESPCMD_4 ((uint32_t)0x00000010)
#define SDIO_RESPCMD_RESPCMD_5 ((uint32_t)0x00000020)
#define SDIO_DLEN_DATALENGTH ((uint32_t)0x01FFFFFF)
#define SDIO_DLEN_DATALENGTH_0 ((uint32_t)0x00000001)
#define SDIO_DLEN_DATALENGTH_1 ((uint32_t)0x00000002)
#define SDIO_DLEN_DATALENGTH_2 ((uint32_t)0x00000004)
#define SDIO_DLEN_DATALENGTH_3 ((uint32_t)0x00000008)
#define SDIO_DLEN_DATALENGTH_4 ((uint32_t)0x00000010)
#define SDIO_DLEN_DATALENGTH_5 ((uint32_t)0x00000020)
#define SDIO_DLEN_DATALENGTH_6 ((uint32_t)0x00000040)
#define SDIO_DLEN_DATALENGTH_7 ((uint32_t)0x00000080)
#define SDIO_DLEN_DATALENGTH_8 ((uint32_t)0x00000100)
#define SDIO_DLEN_DATALENGTH_9 ((uint32_t)0x00000200)
#define SDIO_DLEN_DATALENGTH_10 ((uint32_t)0x00000400)
#define SDIO_DLEN_DATALENGTH_11 ((uint32_t)0x00000800)
#define SDIO_DLEN_DATALENGTH_12 ((uint32_t)0x00001000)
#define SDIO_DLEN_DATALENGTH_13 ((uint32_t)0x00002000)
#define SDIO_DLEN_DATALENGTH_14 ((uint32_t)0x00004000)
#define SDIO_DLEN_DATALENGTH_15 ((uint32_t)0x00008000)
#define SDIO_DLEN_DATALENGTH_16 ((uint32_t)0x00010000)
#define SDIO_DLEN_DATALENGTH_17 ((uint32_t)0x00020000)
#define SDIO_DLEN_DATALENGTH_18 ((uint32_t)0x00040000)
#define SDIO_DLEN_DATALENGTH_19 ((uint32_t)0x00080000)
#define SDIO_DLEN_DATALENGTH_20 ((uint32_t)0x00100000)
#define SDIO_DLEN_DATALENGTH_21 ((uint32_t)0x00200000)
#define SDIO_DLEN_DATALENGTH_22 ((uint32_t)0x00400000)
#define SDIO_DLEN_DATALENGTH_23 ((uint32_t)0x00800000)
#define SDIO_DLEN_DATALENGTH_24 ((uint32_t)0x01000000)
#define SDIO_DCTRL_DTEN ((uint32_t)0x00000001)
#define SDIO_DCTRL_DTDIR ((uint32_t)0x00000002)
#define SDIO_DCTRL_DTMODE ((uint32_t)0x00000004)
#define SDIO_DCTRL_DMAEN ((uint32_t)0x00000008)
#define SDIO_DCTRL_DBLOCKSIZE ((uint32_t)0x000000F0)
#define SDIO_DCTRL_DBLOCKSIZE_0 ((uint32_t)0x00000010)
#define SDIO_DCTRL_DBLOCKSIZE_1 ((uint32_t)0x00000020)
#define SDIO_DCTRL_DBLOCKSIZE_2 ((uint32_t)0x00000040)
#define SDIO_DCTRL_DBLOCKSIZE_3 ((uint32_t)0x00000080)
#define SDIO_DCTRL_RWSTART ((uint32_t)0x00000100)
#define SDIO_DCTRL_RWSTOP ((uint32_t)0x00000200)
#define SDIO_DCTRL_RWMOD ((uint32_t)0x00000400)
#define SDIO_DCTRL_SDIOEN ((uint32_t)0x00000800)
#define SDIO_DCOUNT_DATACOUNT ((uint32_t)0x01FFFFFF)
#define SDIO_DCOUNT_DATACOUNT_0 ((uint32_t)0x00000001)
#define SDIO_DCOUNT_DATACOUNT_1 ((uint32_t)0x00000002)
#define SDIO_DCOUNT_DATACOUNT_2 ((uint32_t)0x00000004)
#define SDIO_DCOUNT_DATACOUNT_3 ((uint32_t)0x00000008)
#define SDIO_DCOUNT_DATACOUNT_4 ((uint32_t)0x00000010)
#define SDIO_DCOUNT_DATACOUNT_5 ((uint32_t)0x00000020)
#define SDIO_DCOUNT_DATACOUNT_6 ((uint32_t)0x00000040)
#define SDIO_DCOUNT_DATACOUNT_7 ((uint32_t)0x00000080)
#define SDIO_DCOUNT_DATACOUNT_8 ((uint32_t)0x00000100)
#define SDIO_DCOUNT_DATACOUNT_9 ((uint32_t)0x00000200)
#define SDIO_DCOUNT_DATACOUNT_10 ((uint32_t)0x00000400)
#define SDIO_DCOUNT_DATACOUNT_11 ((uint32_t)0x00000800)
#define SDIO_DCOUNT_DATACOUNT_12 ((uint32_t)0x00001000)
#define SDIO_DCOUNT_DATACOUNT_13 ((uint32_t)0x00002000)
#define SDIO_DCOUNT_DATACOUNT_14 ((uint32_t)0x00004000)
#define SDIO_DCOUNT_DATACOUNT_15 ((uint32_t)0x00008000)
#define SDIO_DCOUNT_DATACOUNT_16 ((uint32_t)0x00010000)
#define SDIO_DCOUNT_DATACOUNT_17 ((uint32_t)0x00020000)
#define SDIO_DCOUNT_DATACOUNT_18 ((uint32_t)0x00040000)
#define SDIO_DCOUNT_DATACOUNT_19 ((uint32_t)0x00080000)
#define SDIO_DCOUNT_DATACOUNT_20 ((uint32_t)0x00100000)
#define SDIO_DCOUNT_DATACOUNT_21 ((uint32_t)0x00200000)
#define SDIO_DCOUNT_DATACOUNT_22 ((uint32_t)0x00400000)
#define SDIO_DCOUNT_DATACOUNT_23 ((uint32_t)0x00800000)
#define SDIO_DCOUNT_DATACOUNT_24 ((uint32_t)0x01000000)
#define SDIO_STA_CCRCFAIL ((uint32_t)0x00000001)
#define SDIO_STA_DCRCFAIL ((uint32_t)0x00000002)
#define SDIO_STA_CTIMEOUT ((uint32_t)0x00000004)
#define SDIO_STA_DTIMEOUT ((uint32_t)0x00000008)
#define SDIO_STA_TXUNDERR ((uint32_t)0x00000010)
#define SDIO_STA_RXOVERR ((uint32_t)0x00000020)
#define SDIO_STA_CMDREND ((uint32_t)0x00000040)
#define SDIO_STA_CMDSENT ((uint32_t)0x00000080)
#define SDIO_STA_DATAEND ((uint32_t)0x00000100)
#define SDIO_STA_STBITERR ((uint32_t)0x00000200)
#define SDIO_STA_DBCKEND ((uint32_t)0x00000400)
#define SDIO_STA_CMDACT ((uint32_t)0x00000800)
#define SDIO_STA_TXACT ((uint32_t)0x00001000)
#define SDIO_STA_RXACT ((uint32_t)0x00002000)
#define SDIO_STA_TXFIFOHE ((uint32_t)0x00004000)
#define SDIO_STA_RXFIFOHF ((uint32_t)0x00008000)
#define SDIO_STA_TXFIFOF ((uint32_t)0x00010000)
#define SDIO_STA_RXFIFOF ((uint32_t)0x00020000)
#define SDIO_STA_TXFIFOE ((uint32_t)0x00040000)
#define SDIO_STA_RXFIFOE ((uint32_t)0x00080000)
#define SDIO_STA_TXDAVL ((uint32_t)0x00100000)
#define SDIO_STA_RXDAVL ((uint32_t)0x00200000)
#define SDIO_STA_SDIOIT ((uint32_t)0x00400000)
#define SDIO_STA_CEATAEND ((uint32_t)0x00800000)
#define SDIO_ICR_CCRCFAILC ((uint32_t)0x00000001)
#define SDIO_ICR_DCRCFAILC ((uint32_t)0x00000002)
#define SDIO_ICR_CTIMEOUTC ((uint32_t)0x00000004)
#define SDIO_ICR_DTIMEOUTC ((uint32_t)0x00000008)
#define SDIO_ICR_TXUNDERRC ((uint32_t)0x00000010)
#define SDIO_ICR_RXOVERRC ((uint32_t)0x00000020)
#define SDIO_ICR_CMDRENDC ((uint32_t)0x00000040)
#define SDIO_ICR_CMDSENTC ((uint32_t)0x00000080)
#define SDIO_ICR_DATAENDC ((uint32_t)0x00000100)
#define SDIO_ICR_STBITERRC ((uint32_t)0x00000200)
#define SDIO_ICR_DBCKENDC ((uint32_t)0x00000400)
#define SDIO_ICR_SDIOITC ((uint32_t)0x00400000)
#define SDIO_ICR_CEATAENDC ((uint32_t)0x00800000)
#define SDIO_MASK_CCRCFAILIE ((uint32_t)0x00000001)
#define SDIO_MASK_DCRCFAILIE ((uint32_t)0x00000002)
#define SDIO_MASK_CTIMEOUTIE ((uint32_t)0x00000004)
#define SDIO_MASK_DTIMEOUTIE ((uint32_t)0x00000008)
#define SDIO_MASK_TXUNDERRIE ((uint32_t)0x00000010)
#define SDIO_MASK_RXOVERRIE ((uint32_t)0x00000020)
#define SDIO_MASK_CMDRENDIE ((uint32_t)0x00000040)
#define SDIO_MASK_CMDSENTIE ((uint32_t)0x00000080)
#define SDIO_MASK_DATAENDIE ((uint32_t)0x00000100)
#define SDIO_MASK_STBITERRIE ((uint32_t)0x00000200)
#define SDIO_MASK_DBCKENDIE ((uint32_t)0x00000400)
#define SDIO_MASK_CMDACTIE ((uint32_t)0x00000800)
#define SDIO_MASK_TXACTIE ((uint32_t)0x00001000)
#define SDIO_MASK_RXACTIE ((uint32_t)0x00002000)
#define SDIO_MASK_TXFIFOHEIE ((uint32_t)0x00004000)
#define SDIO_MASK_RXFIFOHFIE ((uint32_t)0x00008000)
#define SDIO_MASK_TXFIFOFIE ((uint32_t)0x00010000)
#define SDIO_MASK_RXFIFOFIE ((uint32_t)0x00020000)
#define SDIO_MASK_TXFIFOEIE ((uint32_t)0x00040000)
#define SDIO_MASK_RXFIFOEIE ((uint32_t)0x00080000)
#define SDIO_MASK_TXDAVLIE ((uint32_t)0x00100000)
#define SDIO_MASK_RXDAVLIE ((uint32_t)0x00200000)
#define SDIO_MASK_SDIOITIE ((uint32_t)0x00400000)
#define SDIO_MASK_CEATAENDIE ((uint32_t)0x00800000)
#define SDIO_FIFOCNT_FIFOCOUNT ((uint32_t)0x00FFFFFF)
#define SDIO_FIFOCNT_FIFOCOUNT_0 ((uint32_t)0x00000001)
#define SDIO_FIFOCNT_FIFOCOUNT_1 ((uint32_t)0x00000002)
#define SDIO_FIFOCNT_FIFOCOUNT_2 ((uint32_t)0x00000004)
#define SDIO_FIFOCNT_FIFOCOUNT_3 ((uint32_t)0x00000008)
#define SDIO_FIFOCNT_FIFOCOUNT_4 ((uint32_t)0x00000010)
#define SDIO_FIFOCNT_FIFOCOUNT_5 ((uint32_t)0x00000020)
#define SDIO_FIFOCNT_FIFOCOUNT_6 ((uint32_t)0x00000040)
#define SDIO_FIFOCNT_FIFOCOUNT_7 ((uint32_t)0x00000080)
#define SDIO_FIFOCNT_FIFOCOUNT_8 ((uint32_t)0x00000100)
#define SDIO_FIFOCNT_FIFOCOUNT_9 ((uint32_t)0x00000200)
#define SDIO_FIFOCNT_FIFOCOUNT_10 ((uint32_t)0x00000400)
#define SDIO_FIFOCNT_FIFOCOUNT_11 ((uint32_t)0x00000800)
#define SDIO_FIFOCNT_FIFOCOUNT_12 ((uint32_t)0x00001000)
#define SDIO_FIFOCNT_FIFOCOUNT_13 ((uint32_t)0x00002000)
#define SDIO_FIFOCNT_FIFOCOUNT_14 ((uint32_t)0x00004000)
#define SDIO_FIFOCNT_FIFOCOUNT_15 ((uint32_t)0x00008000)
#define SDIO_FIFOCNT_FIFOCOUNT_16 ((uint32_t)0x00010000)
#define SDIO_FIFOCNT_FIFOCOUNT_17 ((uint32_t)0x00020000)
#define SDIO_FIFOCNT_FIFOCOUNT_18 ((uint32_t)0x00040000)
#define SDIO_FIFOCNT_FIFOCOUNT_19 ((uint32_t)0x00080000)
#define SDIO_FIFOCNT_FIFOCOUNT_20 ((uint32_t)0x00100000)
#define SDIO_FIFOCNT_FIFOCOUNT_21 ((uint32_t)0x00200000)
#define SDIO_FIFOCNT_FIFOCOUNT_22 ((uint32_t)0x00400000)
#define SDIO_FIFOCNT_FIFOCOUNT_23 ((uint32_t)0x00800000)

/* ---- FSMC (NOR/SRAM banks) ---- */
#define FSMC_BCR1_MBKEN ((uint32_t)0x00000001)
#define FSMC_BCR1_MUXEN ((uint32_t)0x00000002)
#define FSMC_BCR1_MTYP ((uint32_t)0x0000000C)
#define FSMC_BCR1_MTYP_0 ((uint32_t)0x00000004)
#define FSMC_BCR1_MTYP_1 ((uint32_t)0x00000008)
#define FSMC_BCR1_MWID ((uint32_t)0x00000030)
#define FSMC_BCR1_MWID_0 ((uint32_t)0x00000010)
#define FSMC_BCR1_MWID_1 ((uint32_t)0x00000020)
#define FSMC_BCR1_FACCEN ((uint32_t)0x00000040)
#define FSMC_BCR1_BURSTEN ((uint32_t)0x00000100)
#define FSMC_BCR1_WAITPOL ((uint32_t)0x00000200)
#define FSMC_BCR1_WRAPMOD ((uint32_t)0x00000400)
#define FSMC_BCR1_WAITCFG ((uint32_t)0x00000800)
#define FSMC_BCR1_WREN ((uint32_t)0x00001000)
#define FSMC_BCR1_WAITEN ((uint32_t)0x00002000)
#define FSMC_BCR1_EXTMOD ((uint32_t)0x00004000)
#define FSMC_BCR1_ASYNCWAIT ((uint32_t)0x00008000)
#define FSMC_BCR1_CBURSTRW ((uint32_t)0x00080000)
#define FSMC_BTR1_ADDSET ((uint32_t)0x0000000F)
#define FSMC_BTR1_ADDSET_0 ((uint32_t)0x00000001)
#define FSMC_BTR1_ADDSET_1 ((uint32_t)0x00000002)
#define FSMC_BTR1_ADDSET_2 ((uint32_t)0x00000004)
#define FSMC_BTR1_ADDSET_3 ((uint32_t)0x00000008)
#define FSMC_BTR1_ADDHLD ((uint32_t)0x000000F0)
#define FSMC_BTR1_ADDHLD_0 ((uint32_t)0x00000010)
#define FSMC_BTR1_ADDHLD_1 ((uint32_t)0x00000020)
#define FSMC_BTR1_ADDHLD_2 ((uint32_t)0x00000040)
#define FSMC_BTR1_ADDHLD_3 ((uint32_t)0x00000080)
#define FSMC_BTR1_DATAST ((uint32_t)0x0000FF00)
#define FSMC_BTR1_DATAST_0 ((uint32_t)0x00000100)
#define FSMC_BTR1_DATAST_1 ((uint32_t)0x00000200)
#define FSMC_BTR1_DATAST_2 ((uint32_t)0x00000400)
#define FSMC_BTR1_DATAST_3 ((uint32_t)0x00000800)
#define FSMC_BTR1_DATAST_4 ((uint32_t)0x00001000)
#define FSMC_BTR1_DATAST_5 ((uint32_t)0x00002000)
#define FSMC_BTR1_DATAST_6 ((uint32_t)0x00004000)
#define FSMC_BTR1_DATAST_7 ((uint32_t)0x00008000)
#define FSMC_BTR1_BUSTURN ((uint32_t)0x000F0000)
#define FSMC_BTR1_BUSTURN_0 ((uint32_t)0x00010000)
#define FSMC_BTR1_BUSTURN_1 ((uint32_t)0x00020000)
#define FSMC_BTR1_BUSTURN_2 ((uint32_t)0x00040000)
#define FSMC_BTR1_BUSTURN_3 ((uint32_t)0x00080000)
#define FSMC_BTR1_CLKDIV ((uint32_t)0x00F00000)
#define FSMC_BTR1_CLKDIV_0 ((uint32_t)0x00100000)
#define FSMC_BTR1_CLKDIV_1 ((uint32_t)0x00200000)
#define FSMC_BTR1_CLKDIV_2 ((uint32_t)0x00400000)
#define FSMC_BTR1_CLKDIV_3 ((uint32_t)0x00800000)
#define FSMC_BTR1_DATLAT ((uint32_t)0x0F000000)
#define FSMC_BTR1_DATLAT_0 ((uint32_t)0x01000000)
#define FSMC_BTR1_DATLAT_1 ((uint32_t)0x02000000)
#define FSMC_BTR1_DATLAT_2 ((uint32_t)0x04000000)
#define FSMC_BTR1_DATLAT_3 ((uint32_t)0x08000000)
#define FSMC_BTR1_ACCMOD ((uint32_t)0x30000000)
#define FSMC_BTR1_ACCMOD_0 ((uint32_t)0x10000000)
#define FSMC_BTR1_ACCMOD_1 ((uint32_t)0x20000000)
#define FSMC_BWTR1_ADDSET ((uint32_t)0x0000000F)
#define FSMC_BWTR1_ADDSET_0 ((uint32_t)0x00000001)
#define FSMC_BWTR1_ADDSET_1 ((uint32_t)0x00000002)
#define FSMC_BWTR1_ADDSET_2 ((uint32_t)0x00000004)
#define FSMC_BWTR1_ADDSET_3 ((uint32_t)0x00000008)
#define FSMC_BWTR1_ADDHLD ((uint32_t)0x000000F0)
#define FSMC_BWTR1_ADDHLD_0 ((uint32_t)0x00000010)
#define FSMC_BWTR1_ADDHLD_1 ((uint32_t)0x00000020)
#define FSMC_BWTR1_ADDHLD_2 ((uint32_t)0x00000040)
#define FSMC_BWTR1_ADDHLD_3 ((uint32_t)0x00000080)
#define FSMC_BWTR1_DATAST ((uint32_t)0x0000FF00)
#define FSMC_BWTR1_DATAST_0 ((uint32_t)0x00000100)
#define FSMC_BWTR1_DATAST_1 ((uint32_t)0x00000200)
#define FSMC_BWTR1_DATAST_2 ((uint32_t)0x00000400)
#define FSMC_BWTR1_DATAST_3 ((uint32_t)0x00000800)
#define FSMC_BWTR1_DATAST_4 ((uint32_t)0x00001000)
#define FSMC_BWTR1_DATAST_5 ((uint32_t)0x00002000)
#define FSMC_BWTR1_DATAST_6 ((uint32_t)0x00004000)
#define FSMC_BWTR1_DATAST_7 ((uint32_t)0x00008000)
#define FSMC_BWTR1_BUSTURN ((uint32_t)0x000F0000)
#define FSMC_BWTR1_BUSTURN_0 ((uint32_t)0x00010000)
#define FSMC_BWTR1_BUSTURN_1 ((uint32_t)0x00020000)
#define FSMC_BWTR1_BUSTURN_2 ((uint32_t)0x00040000)
#define FSMC_BWTR1_BUSTURN_3 ((uint32_t)0x00080000)
#define FSMC_BWTR1_ACCMOD ((uint32_t)0x30000000)
#define FSMC_BWTR1_ACCMOD_0 ((uint32_t)0x10000000)
#define FSMC_BWTR1_ACCMOD_1 ((uint32_t)0x20000000)

/* ---- USART ---- */
#define USART_SR_PE ((uint32_t)0x00000001)
#define USART_SR_FE ((uint32_t)0x00000002)
#define USART_SR_NE ((uint32_t)0x00000004)
#define USART_SR_ORE ((uint32_t)0x00000008)
#define USART_SR_IDLE ((uint32_t)0x00000010)
#define USART_SR_RXNE ((uint32_t)0x00000020)
#define USART_SR_TC ((uint32_t)0x00000040)
#define USART_SR_TXE ((uint32_t)0x00000080)
#define USART_SR_LBD ((uint32_t)0x00000100)
#define USART_SR_CTS ((uint32_t)0x00000200)
#define USART_DR_DR ((uint32_t)0x000001FF)
#define USART_DR_DR_0 ((uint32_t)0x00000001)
#define USART_DR_DR_1 ((uint32_t)0x00000002)
#define USART_DR_DR_2 ((uint32_t)0x00000004)
#define USART_DR_DR_3 ((uint32_t)0x00000008)
#define USART_DR_DR_4 ((uint32_t)0x00000010)
#define USART_DR_DR_5 ((uint32_t)0x00000020)
#define USART_DR_DR_6 ((uint32_t)0x00000040)
#define USART_DR_DR_7 ((uint32_t)0x00000080)
#define USART_DR_DR_8 ((uint32_t)0x00000100)
#define USART_BRR_DIV_Fraction ((uint32_t)0x0000000F)
#define USART_BRR_DIV_Fraction_0 ((uint32_t)0x00000001)
#define USART_BRR_DIV_Fraction_1 ((uint32_t)0x00000002)
#define USART_BRR_DIV_Fraction_2 ((uint32_t)0x00000004)
#define USART_BRR_DIV_Fraction_3 ((uint32_t)0x00000008)
#define USART_BRR_DIV_Mantissa ((uint32_t)0x0000FFF0)
#define USART_BRR_DIV_Mantissa_0 ((uint32_t)0x00000010)
#define USART_BRR_DIV_Mantissa_1 ((uint32_t)0x00000020)
#define USART_BRR_DIV_Mantissa_2 ((uint32_t)0x00000040)
#define USART_BRR_DIV_Mantissa_3 ((uint32_t)0x00000080)
#define USART_BRR_DIV_Mantissa_4 ((uint32_t)0x00000100)
#define USART_BRR_DIV_Mantissa_5 ((uint32_t)0x00000200)
#define USART_BRR_DIV_Mantissa_6 ((uint32_t)0x00000400)
#define USART_BRR_DIV_Mantissa_7 ((uint32_t)0x00000800)
#define USART_BRR_DIV_Mantissa_8 ((uint32_t)0x00001000)
#define USART_BRR_DIV_Mantissa_9 ((uint32_t)0x00002000)
#define USART_BRR_DIV_Mantissa_10 ((uint32_t)0x00004000)
#define USART_BRR_DIV_Mantissa_11 ((uint32_t)0x00008000)
#define USART_CR1_SBK ((uint32_t)0x00000001)
#define USART_CR1_RWU ((uint32_t)0x00000002)
#define USART_CR1_RE ((uint32_t)0x00000004)
#define USART_CR1_TE ((uint32_t)0x00000008)
#define USART_CR1_IDLEIE ((uint32_t)0x00000010)
#define USART_CR1_RXNEIE ((uint32_t)0x00000020)
#define USART_CR1_TCIE ((uint32_t)0x00000040)
#define USART_CR1_TXEIE ((uint32_t)0x00000080)
#define USART_CR1_PEIE ((uint32_t)0x00000100)
#define USART_CR1_PS ((uint32_t)0x00000200)
#define USART_CR1_PCE ((uint32_t)0x00000400)
#define USART_CR1_WAKE ((uint32_t)0x00000800)
#define USART_CR1_M ((uint32_t)0x00001000)
#define USART_CR1_UE ((uint32_t)0x00002000)
#define USART_CR1_OVER8 ((uint32_t)0x00008000)
#define USART_CR2_ADD ((uint32_t)0x0000000F)
#define USART_CR2_ADD_0 ((uint32_t)0x00000001)
#define USART_CR2_ADD_1 ((uint32_t)0x00000002)
#define USART_CR2_ADD_2 ((uint32_t)0x00000004)
#define USART_CR2_ADD_3 ((uint32_t)0x00000008)
#define USART_CR2_LBDL ((uint32_t)0x00000020)
#define USART_CR2_LBDIE ((uint32_t)0x00000040)
#define USART_CR2_LBCL ((uint32_t)0x00000100)
#define USART_CR2_CPHA ((uint32_t)0x00000200)
#define USART_CR2_CPOL ((uint32_t)0x00000400)
#define USART_CR2_CLKEN ((uint32_t)0x00000800)
#define USART_CR2_STOP ((uint32_t)0x00003000)
#define USART_CR2_STOP_0 ((uint32_t)0x00001000)
#define USART_CR2_STOP_1 ((uint32_t)0x00002000)
#define USART_CR2_LINEN ((uint32_t)0x00004000)
#define USART_CR3_EIE ((uint32_t)0x00000001)
#define USART_CR3_IREN ((uint32_t)0x00000002)
#define USART_CR3_IRLP ((uint32_t)0x00000004)
#define USART_CR3_HDSEL ((uint32_t)0x00000008)
#define USART_CR3_NACK ((uint32_t)0x00000010)
#define USART_CR3_SCEN ((uint32_t)0x00000020)
#define USART_CR3_DMAR ((uint32_t)0x00000040)
#define USART_CR3_DMAT ((uint32_t)0x00000080)
#define USART_CR3_RTSE ((uint32_t)0x00000100)
#define USART_CR3_CTSE ((uint32_t)0x00000200)
#define USART_CR3_CTSIE ((uint32_t)0x00000400)
#define USART_CR3_ONEBIT ((uint32_t)0x00000800)

/* ---- SPI ---- */
#define SPI_CR1_CPHA ((uint32_t)0x00000001)
#define SPI_CR1_CPOL ((uint32_t)0x00000002)
#define SPI_CR1_MSTR ((uint32_t)0x00000004)
#define SPI_CR1_BR ((uint32_t)0x00000038)
#define SPI_CR1_BR_0 ((uint32_t)0x00000008)
#define SPI_CR1_BR_1 ((uint32_t)0x00000010)
#define SPI_CR1_BR_2 ((uint32_t)0x00000020)
#define SPI_CR1_SPE ((uint32_t)0x00000040)
#define SPI_CR1_LSBFIRST ((uint32_t)0x00000080)
#define SPI_CR1_SSI ((uint32_t)0x00000100)
#define SPI_CR1_SSM ((uint32_t)0x00000200)
#define SPI_CR1_RXONLY ((uint32_t)0x00000400)
#define SPI_CR1_DFF ((uint32_t)0x00000800)
#define SPI_CR1_CRCNEXT ((uint32_t)0x00001000)
#define SPI_CR1_CRCEN ((uint32_t)0x00002000)
#define SPI_CR1_BIDIOE ((uint32_t)0x00004000)
#define SPI_CR1_BIDIMODE ((uint32_t)0x00008000)
#define SPI_CR2_RXDMAEN ((uint32_t)0x00000001)
#define SPI_CR2_TXDMAEN ((uint32_t)0x00000002)
#define SPI_CR2_SSOE ((uint32_t)0x00000004)
#define SPI_CR2_FRF ((uint32_t)0x00000010)
#define SPI_CR2_ERRIE ((uint32_t)0x00000020)
#define SPI_CR2_RXNEIE ((uint32_t)0x00000040)
#define SPI_CR2_TXEIE ((uint32_t)0x00000080)
#define SPI_SR_RXNE ((uint32_t)0x00000001)
#define SPI_SR_TXE ((uint32_t)0x00000002)
#define SPI_SR_CHSIDE ((uint32_t)0x00000004)
#define SPI_SR_UDR ((uint32_t)0x00000008)
#define SPI_SR_CRCERR ((uint32_t)0x00000010)
#define SPI_SR_MODF ((uint32_t)0x00000020)
#define SPI_SR_OVR ((uint32_t)0x00000040)
#define SPI_SR_BSY ((uint32_t)0x00000080)
#define SPI_SR_FRE ((uint32_t)0x00000100)

/* ---- USB OTG FS ---- */
#define USB_OTG_GOTGCTL_SRQSCS ((uint32_t)0x00000001)
#define USB_OTG_GOTGCTL_SRQ ((uint32_t)0x00000002)
#define USB_OTG_GOTGCTL_BSVLD ((uint32_t)0x00080000)
#define USB_OTG_GAHBCFG_GINT ((uint32_t)0x00000001)
#define USB_OTG_GAHBCFG_TXFELVL ((uint32_t)0x00000080)
#define USB_OTG_GAHBCFG_PTXFELVL ((uint32_t)0x00000100)
#define USB_OTG_GUSBCFG_TOCAL ((uint32_t)0x00000007)
#define USB_OTG_GUSBCFG_TOCAL_0 ((uint32_t)0x00000001)
#define USB_OTG_GUSBCFG_TOCAL_1 ((uint32_t)0x00000002)
#define USB_OTG_GUSBCFG_TOCAL_2 ((uint32_t)0x00000004)
#define USB_OTG_GUSBCFG_PHYSEL ((uint32_t)0x00000040)
#define USB_OTG_GUSBCFG_SRPCAP ((uint32_t)0x00000100)
#define USB_OTG_GUSBCFG_HNPCAP ((uint32_t)0x00000200)
#define USB_OTG_GUSBCFG_TRDT ((uint32_t)0x00003C00)
#define USB_OTG_GUSBCFG_TRDT_0 ((uint32_t)0x00000400)
#define USB_OTG_GUSBCFG_TRDT_1 ((uint32_t)0x00000800)
#define USB_OTG_GUSBCFG_TRDT_2 ((uint32_t)0x00001000)
#define USB_OTG_GUSBCFG_TRDT_3 ((uint32_t)0x00002000)
#define USB_OTG_GUSBCFG_FHMOD ((uint32_t)0x20000000)
#define USB_OTG_GUSBCFG_FDMOD ((uint32_t)0x40000000)
#define USB_OTG_GUSBCFG_CTXPKT ((uint32_t)0x80000000)
#define USB_OTG_GRSTCTL_CSRST ((uint32_t)0x00000001)
#define USB_OTG_GRSTCTL_HSRST ((uint32_t)0x00000002)
#define USB_OTG_GRSTCTL_FCRST ((uint32_t)0x00000004)
#define USB_OTG_GRSTCTL_RXFFLSH ((uint32_t)0x00000010)
#define USB_OTG_GRSTCTL_TXFFLSH ((uint32_t)0x00000020)
#define USB_OTG_GRSTCTL_TXFNUM ((uint32_t)0x000007C0)
#define USB_OTG_GRSTCTL_TXFNUM_0 ((uint32_t)0x00000040)
#define USB_OTG_GRSTCTL_TXFNUM_1 ((uint32_t)0x00000080)
#define USB_OTG_GRSTCTL_TXFNUM_2 ((uint32_t)0x00000100)
#define USB_OTG_GRSTCTL_TXFNUM_3 ((uint32_t)0x00000200)
#define USB_OTG_GRSTCTL_TXFNUM_4 ((uint32_t)0x00000400)
#define USB_OTG_GRSTCTL_AHBIDL ((uint32_t)0x80000000)
#define USB_OTG_GINTSTS_CMOD ((uint32_t)0x00000001)
#define USB_OTG_GINTSTS_MMIS ((uint32_t)0x00000002)
#define USB_OTG_GINTSTS_OTGINT ((uint32_t)0x00000004)
#define USB_OTG_GINTSTS_SOF ((uint32_t)0x00000008)
#define USB_OTG_GINTSTS_RXFLVL ((uint32_t)0x00000010)
#define USB_OTG_GINTSTS_NPTXFE ((uint32_t)0x00000020)
#define USB_OTG_GINTSTS_GINAKEFF ((uint32_t)0x00000040)
#define USB_OTG_GINTSTS_GONAKEFF ((uint32_t)0x00000080)
#define USB_OTG_GINTSTS_ESUSP ((uint32_t)0x00000400)
#define USB_OTG_GINTSTS_USBSUSP ((uint32_t)0x00000800)
#define USB_OTG_GINTSTS_USBRST ((uint32_t)0x00001000)
#define USB_OTG_GINTSTS_ENUMDNE ((uint32_t)0x00002000)
#define USB_OTG_GINTSTS_ISOODRP ((uint32_t)0x00004000)
#define USB_OTG_GINTSTS_EOPF ((uint32_t)0x00008000)
#define USB_OTG_GINTSTS_IEPINT ((uint32_t)0x00040000)
#define USB_OTG_GINTSTS_OEPINT ((uint32_t)0x00080000)
#define USB_OTG_GINTSTS_IISOIXFR ((uint32_t)0x00100000)
#define USB_OTG_GINTSTS_PXFR_INCOMPISOOUT ((uint32_t)0x00200000)
#define USB_OTG_GINTSTS_HPRTINT ((uint32_t)0x01000000)
#define USB_OTG_GINTSTS_HCINT ((uint32_t)0x02000000)
#define USB_OTG_GINTSTS_PTXFE ((uint32_t)0x04000000)
#define USB_OTG_GINTSTS_CIDSCHG ((uint32_t)0x10000000)
#define USB_OTG_GINTSTS_DISCINT ((uint32_t)0x20000000)
#define USB_OTG_GINTSTS_SRQINT ((uint32_t)0x40000000)
#define USB_OTG_GINTSTS_WKUINT ((uint32_t)0x80000000)
#define USB_OTG_GINTMSK_MMISM ((uint32_t)0x00000002)
#define USB_OTG_GINTMSK_OTGINT ((uint32_t)0x00000004)
#define USB_OTG_GINTMSK_SOFM ((uint32_t)0x00000008)
#define USB_OTG_GINTMSK_RXFLVLM ((uint32_t)0x00000010)
#define USB_OTG_GINTMSK_NPTXFEM ((uint32_t)0x00000020)
#define USB_OTG_GINTMSK_ESUSPM ((uint32_t)0x00000400)
#define USB_OTG_GINTMSK_USBSUSPM ((uint32_t)0x00000800)
#define USB_OTG_GINTMSK_USBRST ((uint32_t)0x00001000)
#define USB_OTG_GINTMSK_ENUMDNEM ((uint32_t)0x00002000)
#define USB_OTG_GINTMSK_EOPFM ((uint32_t)0x00008000)
#define USB_OTG_GINTMSK_IEPINT ((uint32_t)0x00040000)
#define USB_OTG_GINTMSK_OEPINT ((uint32_t)0x00080000)
#define USB_OTG_GINTMSK_IISOIXFRM ((uint32_t)0x00100000)
#define USB_OTG_GINTMSK_PXFRM_IISOOXFRM ((uint32_t)0x00200000)
#define USB_OTG_GINTMSK_CIDSCHGM ((uint32_t)0x10000000)
#define USB_OTG_GINTMSK_DISCINT ((uint32_t)0x20000000)
#define USB_OTG_GINTMSK_SRQIM ((uint32_t)0x40000000)
#define USB_OTG_GINTMSK_WUIM ((uint32_t)0x80000000)
#define USB_OTG_GRXSTSP_EPNUM ((uint32_t)0x0000000F)
#define USB_OTG_GRXSTSP_EPNUM_0 ((uint32_t)0x00000001)
#define USB_OTG_GRXSTSP_EPNUM_1 ((uint32_t)0x00000002)
#define USB_OTG_GRXSTSP_EPNUM_2 ((uint32_t)0x00000004)
#define USB_OTG_GRXSTSP_EPNUM_3 ((uint32_t)0x00000008)
#define USB_OTG_GRXSTSP_BCNT ((uint32_t)0x00007FF0)
#define USB_OTG_GRXSTSP_BCNT_0 ((uint32_t)0x00000010)
#define USB_OTG_GRXSTSP_BCNT_1 ((uint32_t)0x00000020)
#define USB_OTG_GRXSTSP_BCNT_2 ((uint32_t)0x00000040)
#define USB_OTG_GRXSTSP_BCNT_3 ((uint32_t)0x00000080)
#define USB_OTG_GRXSTSP_BCNT_4 ((uint32_t)0x00000100)
#define USB_OTG_GRXSTSP_BCNT_5 ((uint32_t)0x00000200)
#define USB_OTG_GRXSTSP_BCNT_6 ((uint32_t)0x00000400)
#define USB_OTG_GRXSTSP_BCNT_7 ((uint32_t)0x00000800)
#define USB_OTG_GRXSTSP_BCNT_8 ((uint32_t)0x00001000)
#define USB_OTG_GRXSTSP_BCNT_9 ((uint32_t)0x00002000)
#define USB_OTG_GRXSTSP_BCNT_10 ((uint32_t)0x00004000)
#define USB_OTG_GRXSTSP_DPID ((uint32_t)0x00018000)
#define USB_OTG_GRXSTSP_DPID_0 ((uint32_t)0x00008000)
#define USB_OTG_GRXSTSP_DPID_1 ((uint32_t)0x00010000)
#define USB_OTG_GRXSTSP_PKTSTS ((uint32_t)0x001E0000)
#define USB_OTG_GRXSTSP_PKTSTS_0 ((uint32_t)0x00020000)
#define USB_OTG_GRXSTSP_PKTSTS_1 ((uint32_t)0x00040000)
#define USB_OTG_GRXSTSP_PKTSTS_2 ((uint32_t)0x00080000)
#define USB_OTG_GRXSTSP_PKTSTS_3 ((uint32_t)0x00100000)
#define USB_OTG_GCCFG_PWRDWN ((uint32_t)0x00010000)
#define USB_OTG_GCCFG_VBUSASEN ((uint32_t)0x00040000)
#define USB_OTG_GCCFG_VBUSBSEN ((uint32_t)0x00080000)
#define USB_OTG_GCCFG_SOFOUTEN ((uint32_t)0x00100000)
#define USB_OTG_GCCFG_NOVBUSSENS ((uint32_t)0x00200000)
#define USB_OTG_DCFG_DSPD ((uint32_t)0x00000003)
#define USB_OTG_DCFG_DSPD_0 ((uint32_t)0x00000001)
#define USB_OTG_DCFG_DSPD_1 ((uint32_t)0x00000002)
#define USB_OTG_DCFG_NZLSOHSK ((uint32_t)0x00000004)
#define USB_OTG_DCFG_DAD ((uint32_t)0x000007F0)
#define USB_OTG_DCFG_DAD_0 ((uint32_t)0x00000010)
#define USB_OTG_DCFG_DAD_1 ((uint32_t)0x00000020)
#define USB_OTG_DCFG_DAD_2 ((uint32_t)0x00000040)
#define USB_OTG_DCFG_DAD_3 ((uint32_t)0x00000080)
#define USB_OTG_DCFG_DAD_4 ((uint32_t)0x00000100)
#define USB_OTG_DCFG_DAD_5 ((uint32_t)0x00000200)
#define USB_OTG_DCFG_DAD_6 ((uint32_t)0x00000400)
#define USB_OTG_DCFG_PFIVL ((uint32_t)0x00001800)
#define USB_OTG_DCFG_PFIVL_0 ((uint32_t)0x00000800)
#define USB_OTG_DCFG_PFIVL_1 ((uint32_t)0x00001000)
#define USB_OTG_DCTL_RWUSIG ((uint32_t)0x00000001)
#define USB_OTG_DCTL_SDIS ((uint32_t)0x00000002)
#define USB_OTG_DCTL_GINSTS ((uint32_t)0x00000004)
#define USB_OTG_DCTL_GONSTS ((uint32_t)0x00000008)
#define USB_OTG_DCTL_TCTL ((uint32_t)0x00000070)
#define USB_OTG_DCTL_TCTL_0 ((uint32_t)0x00000010)
#define USB_OTG_DCTL_TCTL_1 ((uint32_t)0x00000020)
#define USB_OTG_DCTL_TCTL_2 ((uint32_t)0x00000040)
#define USB_OTG_DCTL_SGINAK ((uint32_t)0x00000080)
#define USB_OTG_DCTL_CGINAK ((uint32_t)0x00000100)
#define USB_OTG_DCTL_SGONAK ((uint32_t)0x00000200)
#define USB_OTG_DCTL_CGONAK ((uint32_t)0x00000400)
#define USB_OTG_DCTL_POPRGDNE ((uint32_t)0x00000800)
#define USB_OTG_DSTS_SUSPSTS ((uint32_t)0x00000001)
#define USB_OTG_DSTS_ENUMSPD ((uint32_t)0x00000006)
#define USB_OTG_DSTS_ENUMSPD_0 ((uint32_t)0x00000002)
#define USB_OTG_DSTS_ENUMSPD_1 ((uint32_t)0x00000004)
#define USB_OTG_DSTS_EERR ((uint32_t)0x00000008)
#define USB_OTG_DSTS_FNSOF ((uint32_t)0x003FFF00)
#define USB_OTG_DSTS_FNSOF_0 ((uint32_t)0x00000100)
#define USB_OTG_DSTS_FNSOF_1 ((uint32_t)0x00000200)
#define USB_OTG_DSTS_FNSOF_2 ((uint32_t)0x00000400)
#define USB_OTG_DSTS_FNSOF_3 ((uint32_t)0x00000800)
#define USB_OTG_DSTS_FNSOF_4 ((uint32_t)0x00001000)
#define USB_OTG_DSTS_FNSOF_5 ((uint32_t)0x00002000)
#define USB_OTG_DSTS_FNSOF_6 ((uint32_t)0x00004000)
#define USB_OTG_DSTS_FNSOF_7 ((uint32_t)0x00008000)
#define USB_OTG_DSTS_FNSOF_8 ((uint32_t)0x00010000)
#define USB_OTG_DSTS_FNSOF_9 ((uint32_t)0x00020000)
#define USB_OTG_DSTS_FNSOF_10 ((uint32_t)0x00040000)
#define USB_OTG_DSTS_FNSOF_11 ((uint32_t)0x00080000)
#define USB_OTG_DSTS_FNSOF_12 ((uint32_t)0x00100000)
#define USB_OTG_DSTS_FNSOF_13 ((uint32_t)0x00200000)
#define USB_OTG_DIEPMSK_XFRCM ((uint32_t)0x00000001)
#define USB_OTG_DIEPMSK_EPDM ((uint32_t)0x00000002)
#define USB_OTG_DIEPMSK_TOM ((uint32_t)0x00000008)
#define USB_OTG_DIEPMSK_ITTXFEMSK ((uint32_t)0x00000010)
#define USB_OTG_DIEPMSK_INEPNMM ((uint32_t)0x00000020)
#define USB_OTG_DIEPMSK_INEPNEM ((uint32_t)0x00000040)
#define USB_OTG_DOEPMSK_XFRCM ((uint32_t)0x00000001)
#define USB_OTG_DOEPMSK_EPDM ((uint32_t)0x00000002)
#define USB_OTG_DOEPMSK_STUPM ((uint32_t)0x00000008)
#define USB_OTG_DOEPMSK_OTEPDM ((uint32_t)0x00000010)
#define USB_OTG_DAINT_IEPINT ((uint32_t)0x0000FFFF)
#define USB_OTG_DAINT_IEPINT_0 ((uint32_t)0x00000001)
#define USB_OTG_DAINT_IEPINT_1 ((uint32_t)0x00000002)
#define USB_OTG_DAINT_IEPINT_2 ((uint32_t)0x00000004)
#define USB_OTG_DAINT_IEPINT_3 ((uint32_t)0x00000008)
#define USB_OTG_DAINT_IEPINT_4 ((uint32_t)0x00000010)
#define USB_OTG_DAINT_IEPINT_5 ((uint32_t)0x00000020)
#define USB_OTG_DAINT_IEPINT_6 ((uint32_t)0x00000040)
#define USB_OTG_DAINT_IEPINT_7 ((uint32_t)0x00000080)
#define USB_OTG_DAINT_IEPINT_8 ((uint32_t)0x00000100)
#define USB_OTG_DAINT_IEPINT_9 ((uint32_t)0x00000200)
#define USB_OTG_DAINT_IEPINT_10 ((uint32_t)0x00000400)
#define USB_OTG_DAINT_IEPINT_11 ((uint32_t)0x00000800)
#define USB_OTG_DAINT_IEPINT_12 ((uint32_t)0x00001000)
#define USB_OTG_DAINT_IEPINT_13 ((uint32_t)0x00002000)
#define USB_OTG_DAINT_IEPINT_14 ((uint32_t)0x00004000)
#define USB_OTG_DAINT_IEPINT_15 ((uint32_t)0x00008000)
#define USB_OTG_DAINT_OEPINT ((uint32_t)0xFFFF0000)
#define USB_OTG_DAINT_OEPINT_0 ((uint32_t)0x00010000)
#define USB_OTG_DAINT_OEPINT_1 ((uint32_t)0x00020000)
#define USB_OTG_DAINT_OEPINT_2 ((uint32_t)0x00040000)
#define USB_OTG_DAINT_OEPINT_3 ((uint32_t)0x00080000)
#define USB_OTG_DAINT_OEPINT_4 ((uint32_t)0x00100000)
#define USB_OTG_DAINT_OEPINT_5 ((uint32_t)0x00200000)
#define USB_OTG_DAINT_OEPINT_6 ((uint32_t)0x00400000)
#define USB_OTG_DAINT_OEPINT_7 ((uint32_t)0x00800000)
#define USB_OTG_DAINT_OEPINT_8 ((uint32_t)0x01000000)
#define USB_OTG_DAINT_OEPINT_9 ((uint32_t)0x02000000)
#define USB_OTG_DAINT_OEPINT_10 ((uint32_t)0x04000000)
#define USB_OTG_DAINT_OEPINT_11 ((uint32_t)0x08000000)
#define USB_OTG_DAINT_OEPINT_12 ((uint32_t)0x10000000)
#define USB_OTG_DAINT_OEPINT_13 ((uint32_t)0x20000000)
#define USB_OTG_DAINT_OEPINT_14 ((uint32_t)0x40000000)
#define USB_OTG_DAINT_OEPINT_15 ((uint32_t)0x80000000)
#define USB_OTG_DIEPCTL_MPSIZ ((uint32_t)0x000007FF)
#define USB_OTG_DIEPCTL_MPSIZ_0 ((uint32_t)0x00000001)
#define USB_OTG_DIEPCTL_MPSIZ_1 ((uint32_t)0x00000002)
#define USB_OTG_DIEPCTL_MPSIZ_2 ((uint32_t)0x00000004)
#define USB_OTG_DIEPCTL_MPSIZ_3 ((uint32_t)0x00000008)
#define USB_OTG_DIEPCTL_MPSIZ_4 ((uint32_t)0x00000010)
#define USB_OTG_DIEPCTL_MPSIZ_5 ((uint32_t)0x00000020)
#define USB_OTG_DIEPCTL_MPSIZ_6 ((uint32_t)0x00000040)
#define USB_OTG_DIEPCTL_MPSIZ_7 ((uint32_t)0x00000080)
#define USB_OTG_DIEPCTL_MPSIZ_8 ((uint32_t)0x00000100)
#define USB_OTG_DIEPCTL_MPSIZ_9 ((uint32_t)0x00000200)
#define USB_OTG_DIEPCTL_MPSIZ_10 ((uint32_t)0x00000400)
#define USB_OTG_DIEPCTL_USBAEP ((uint32_t)0x00008000)
#define USB_OTG_DIEPCTL_EONUM_DPID ((uint32_t)0x00010000)
#define USB_OTG_DIEPCTL_NAKSTS ((uint32_t)0x00020000)
#define USB_OTG_DIEPCTL_EPTYP ((uint32_t)0x000C0000)
#define USB_OTG_DIEPCTL_EPTYP_0 ((uint32_t)0x00040000)
#define USB_OTG_DIEPCTL_EPTYP_1 ((uint32_t)0x00080000)
#define USB_OTG_DIEPCTL_STALL ((uint32_t)0x00200000)
#define USB_OTG_DIEPCTL_TXFNUM ((uint32_t)0x03C00000)
#define USB_OTG_DIEPCTL_TXFNUM_0 ((uint32_t)0x00400000)
#define USB_OTG_DIEPCTL_TXFNUM_1 ((uint32_t)0x00800000)
#define USB_OTG_DIEPCTL_TXFNUM_2 ((uint32_t)0x01000000)
#define USB_OTG_DIEPCTL_TXFNUM_3 ((uint32_t)0x02000000)
#define USB_OTG_DIEPCTL_CNAK ((uint32_t)0x04000000)
#define USB_OTG_DIEPCTL_SNAK ((uint32_t)0x08000000)
#define USB_OTG_DIEPCTL_SD0PID_SEVNFRM ((uint32_t)0x10000000)
#define USB_OTG_DIEPCTL_SODDFRM ((uint32_t)0x20000000)
#define USB_OTG_DIEPCTL_EPDIS ((uint32_t)0x40000000)
#define USB_OTG_DIEPCTL_EPENA ((uint32_t)0x80000000)
#define USB_OTG_DIEPINT_XFRC ((uint32_t)0x00000001)
#define USB_OTG_DIEPINT_EPDISD ((uint32_t)0x00000002)
#define USB_OTG_DIEPINT_TOC ((uint32_t)0x00000008)
#define USB_OTG_DIEPINT_ITTXFE ((uint32_t)0x00000010)
#define USB_OTG_DIEPINT_INEPNE ((uint32_t)0x00000040)
#define USB_OTG_DIEPINT_TXFE ((uint32_t)0x00000080)
#define USB_OTG_DIEPTSIZ_XFRSIZ ((uint32_t)0x0007FFFF)
#define USB_OTG_DIEPTSIZ_XFRSIZ_0 ((uint32_t)0x00000001)
#define USB_OTG_DIEPTSIZ_XFRSIZ_1 ((uint32_t)0x00000002)
#define USB_OTG_DIEPTSIZ_XFRSIZ_2 ((uint32_t)0x00000004)
#define USB_OTG_DIEPTSIZ_XFRSIZ_3 ((uint32_t)0x00000008)
#define USB_OTG_DIEPTSIZ_XFRSIZ_4 ((uint32_t)0x00000010)
#define USB_OTG_DIEPTSIZ_XFRSIZ_5 ((uint32_t)0x00000020)
#define USB_OTG_DIEPTSIZ_XFRSIZ_6 ((uint32_t)0x00000040)
#define USB_OTG_DIEPTSIZ_XFRSIZ_7 ((uint32_t)0x00000080)
#define USB_OTG_DIEPTSIZ_XFRSIZ_8 ((uint32_t)0x00000100)
#define USB_OTG_DIEPTSIZ_XFRSIZ_9 ((uint32_t)0x00000200)
#define USB_OTG_DIEPTSIZ_XFRSIZ_10 ((uint32_t)0x00000400)
#define USB_OTG_DIEPTSIZ_XFRSIZ_11 ((uint32_t)0x00000800)
#define USB_OTG_DIEPTSIZ_XFRSIZ_12 ((uint32_t)0x00001000)
#define USB_OTG_DIEPTSIZ_XFRSIZ_13 ((uint32_t)0x00002000)
#define USB_OTG_DIEPTSIZ_XFRSIZ_14 ((uint32_t)0x00004000)
#define USB_OTG_DIEPTSIZ_XFRSIZ_15 ((uint32_t)0x00008000)
#define USB_OTG_DIEPTSIZ_XFRSIZ_16 ((uint32_t)0x00010000)
#define USB_OTG_DIEPTSIZ_XFRSIZ_17 ((uint32_t)0x00020000)
#define USB_OTG_DIEPTSIZ_XFRSIZ_18 ((uint32_t)0x00040000)
#define USB_OTG_DIEPTSIZ_PKTCNT ((uint32_t)0x1FF80000)
#define USB_OTG_DIEPTSIZ_PKTCNT_0 ((uint32_t)0x00080000)
#define USB_OTG_DIEPTSIZ_PKTCNT_1 ((uint32_t)0x00100000)
#define USB_OTG_DIEPTSIZ_PKTCNT_2 ((uint32_t)0x00200000)
#define USB_OTG_DIEPTSIZ_PKTCNT_3 ((uint32_t)0x00400000)
#define USB_OTG_DIEPTSIZ_PKTCNT_4 ((uint32_t)0x00800000)
#define USB_OTG_DIEPTSIZ_PKTCNT_5 ((uint32_t)0x01000000)
#define USB_OTG_DIEPTSIZ_PKTCNT_6 ((uint32_t)0x02000000)
#define USB_OTG_DIEPTSIZ_PKTCNT_7 ((uint32_t)0x04000000)
#define USB_OTG_DIEPTSIZ_PKTCNT_8 ((uint32_t)0x08000000)
#define USB_OTG_DIEPTSIZ_PKTCNT_9 ((uint32_t)0x10000000)
#define USB_OTG_DIEPTSIZ_MULCNT ((uint32_t)0x60000000)
#define USB_OTG_DIEPTSIZ_MULCNT_0 ((uint32_t)0x20000000)
#define USB_OTG_DIEPTSIZ_MULCNT_1 ((uint32_t)0x40000000)
#define USB_OTG_DTXFSTS_INEPTFSAV ((uint32_t)0x0000FFFF)
#define USB_OTG_DTXFSTS_INEPTFSAV_0 ((uint32_t)0x00000001)
#define USB_OTG_DTXFSTS_INEPTFSAV_1 ((uint32_t)0x00000002)
#define USB_OTG_DTXFSTS_INEPTFSAV_2 ((uint32_t)0x00000004)
#define USB_OTG_DTXFSTS_INEPTFSAV_3 ((uint32_t)0x00000008)
#define USB_OTG_DTXFSTS_INEPTFSAV_4 ((uint32_t)0x00000010)
#define USB_OTG_DTXFSTS_INEPTFSAV_5 ((uint32_t)0x00000020)
#define USB_OTG_DTXFSTS_INEPTFSAV_6 ((uint32_t)0x00000040)
#define USB_OTG_DTXFSTS_INEPTFSAV_7 ((uint32_t)0x00000080)
#define USB_OTG_DTXFSTS_INEPTFSAV_8 ((uint32_t)0x00000100)
#define USB_OTG_DTXFSTS_INEPTFSAV_9 ((uint32_t)0x00000200)
#define USB_OTG_DTXFSTS_INEPTFSAV_10 ((uint32_t)0x00000400)
#define USB_OTG_DTXFSTS_INEPTFSAV_11 ((uint32_t)0x00000800)
#define USB_OTG_DTXFSTS_INEPTFSAV_12 ((uint32_t)0x00001000)
#define USB_OTG_DTXFSTS_INEPTFSAV_13 ((uint32_t)0x00002000)
#define USB_OTG_DTXFSTS_INEPTFSAV_14 ((uint32_t)0x00004000)
#define USB_OTG_DTXFSTS_INEPTFSAV_15 ((uint32_t)0x00008000)
#define USB_OTG_DOEPCTL_MPSIZ ((uint32_t)0x000007FF)
#define USB_OTG_DOEPCTL_MPSIZ_0 ((uint32_t)0x00000001)
#define USB_OTG_DOEPCTL_MPSIZ_1 ((uint32_t)0x00000002)
#define USB_OTG_DOEPCTL_MPSIZ_2 ((uint32_t)0x00000004)
#define USB_OTG_DOEPCTL_MPSIZ_3 ((uint32_t)0x00000008)
#define USB_OTG_DOEPCTL_MPSIZ_4 ((uint32_t)0x00000010)
#define USB_OTG_DOEPCTL_MPSIZ_5 ((uint32_t)0x00000020)
#define USB_OTG_DOEPCTL_MPSIZ_6 ((uint32_t)0x00000040)
#define USB_OTG_DOEPCTL_MPSIZ_7 ((uint32_t)0x00000080)
#define USB_OTG_DOEPCTL_MPSIZ_8 ((uint32_t)0x00000100)
#define USB_OTG_DOEPCTL_MPSIZ_9 ((uint32_t)0x00000200)
#define USB_OTG_DOEPCTL_MPSIZ_10 ((uint32_t)0x00000400)
#define USB_OTG_DOEPCTL_USBAEP ((uint32_t)0x00008000)
#define USB_OTG_DOEPCTL_NAKSTS ((uint32_t)0x00020000)
#define USB_OTG_DOEPCTL_EPTYP ((uint32_t)0x000C0000)
#define USB_OTG_DOEPCTL_EPTYP_0 ((uint32_t)0x00040000)
#define USB_OTG_DOEPCTL_EPTYP_1 ((uint32_t)0x00080000)
#define USB_OTG_DOEPCTL_SNPM ((uint32_t)0x00100000)
#define USB_OTG_DOEPCTL_STALL ((uint32_t)0x00200000)
#define USB_OTG_DOEPCTL_CNAK ((uint32_t)0x04000000)
#define USB_OTG_DOEPCTL_SNAK ((uint32_t)0x08000000)
#define USB_OTG_DOEPCTL_SD0PID_SEVNFRM ((uint32_t)0x10000000)
#define USB_OTG_DOEPCTL_SODDFRM ((uint32_t)0x20000000)
#define USB_OTG_DOEPCTL_EPDIS ((uint32_t)0x40000000)
#define USB_OTG_DOEPCTL_EPENA ((uint32_t)0x80000000)
#define USB_OTG_DOEPINT_XFRC ((uint32_t)0x00000001)
#define USB_OTG_DOEPINT_EPDISD ((uint32_t)0x00000002)
#define USB_OTG_DOEPINT_STUP ((uint32_t)0x00000008)
#define USB_OTG_DOEPINT_OTEPDIS ((uint32_t)0x00000010)
#define USB_OTG_DOEPINT_B2BSTUP ((uint32_t)0x00000040)
#define USB_OTG_DOEPTSIZ_XFRSIZ ((uint32_t)0x0007FFFF)
#define USB_OTG_DOEPTSIZ_XFRSIZ_0 ((uint32_t)0x00000001)
#define USB_OTG_DOEPTSIZ_XFRSIZ_1 ((uint32_t)0x00000002)
#define USB_OTG_DOEPTSIZ_XFRSIZ_2 ((uint32_t)0x00000004)
#define USB_OTG_DOEPTSIZ_XFRSIZ_3 ((uint32_t)0x00000008)
#define USB_OTG_DOEPTSIZ_XFRSIZ_4 ((uint32_t)0x00000010)
#define USB_OTG_DOEPTSIZ_XFRSIZ_5 ((uint32_t)0x00000020)
#define USB_OTG_DOEPTSIZ_XFRSIZ_6 ((uint32_t)0x00000040)
#define USB_OTG_DOEPTSIZ_XFRSIZ_7 ((uint32_t)0x00000080)
#define USB_OTG_DOEPTSIZ_XFRSIZ_8 ((uint32_t)0x00000100)
#define USB_OTG_DOEPTSIZ_XFRSIZ_9 ((uint32_t)0x00000200)
#define USB_OTG_DOEPTSIZ_XFRSIZ_10 ((uint32_t)0x00000400)
#define USB_OTG_DOEPTSIZ_XFRSIZ_11 ((uint32_t)0x00000800)
#define USB_OTG_DOEPTSIZ_XFRSIZ_12 ((uint32_t)0x00001000)
#define USB_OTG_DOEPTSIZ_XFRSIZ_13 ((uint32_t)0x00002000)
#define USB_OTG_DOEPTSIZ_XFRSIZ_14 ((uint32_t)0x00004000)
#define USB_OTG_DOEPTSIZ_XFRSIZ_15 ((uint32_t)0x00008000)
#define USB_OTG_DOEPTSIZ_XFRSIZ_16 ((uint32_t)0x00010000)
#define USB_OTG_DOEPTSIZ_XFRSIZ_17 ((uint32_t)0x00020000)
#define USB_OTG_DOEPTSIZ_XFRSIZ_18 ((uint32_t)0x00040000)
#define USB_OTG_DOEPTSIZ_PKTCNT ((uint32_t)0x1FF80000)
#define USB_OTG_DOEPTSIZ_PKTCNT_0 ((uint32_t)0x00080000)
#define USB_OTG_DOEPTSIZ_PKTCNT_1 ((uint32_t)0x00100000)
#define USB_OTG_DOEPTSIZ_PKTCNT_2 ((uint32_t)0x00200000)
#define USB_OTG_DOEPTSIZ_PKTCNT_3 ((uint32_t)0x00400000)
#define USB_OTG_DOEPTSIZ_PKTCNT_4 ((uint32_t)0x00800000)
#define USB_OTG_DOEPTSIZ_PKTCNT_5 ((uint32_t)0x01000000)
#define USB_OTG_DOEPTSIZ_PKTCNT_6 ((uint32_t)0x02000000)
#define USB_OTG_DOEPTSIZ_PKTCNT_7 ((uint32_t)0x04000000)
#define USB_OTG_DOEPTSIZ_PKTCNT_8 ((uint32_t)0x08000000)
#define USB_OTG_DOEPTSIZ_PKTCNT_9 ((uint32_t)0x10000000)
#define USB_OTG_DOEPTSIZ_STUPCNT ((uint32_t)0x60000000)
#define USB_OTG_DOEPTSIZ_STUPCNT_0 ((uint32_t)0x20000000)
#define USB_OTG_DOEPTSIZ_STUPCNT_1 ((uint32_t)0x40000000)
#define USB_OTG_PCGCCTL_STOPCLK ((uint32_t)0x00000001)
#define USB_OTG_PCGCCTL_GATECLK ((uint32_t)0x00000002)
#define USB_OTG_PCGCCTL_PHYSUSP ((uint32_t)0x00000010)
