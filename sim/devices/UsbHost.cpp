#include "sim/devices/UsbHost.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"

#include <cstdio>

namespace Sim
{

namespace
{
constexpr Tick debounce = 100 * ticksPerMillisecond;
constexpr Tick resetTime = 10 * ticksPerMillisecond;
constexpr Tick recovery = 10 * ticksPerMillisecond;
constexpr Tick frameTime = ticksPerMillisecond;
constexpr Tick afterSof = 10 * ticksPerMicrosecond;
constexpr Tick retryGap = 20 * ticksPerMicrosecond;
constexpr Tick frameEnd = 950 * ticksPerMicrosecond; // no transaction starts later in a frame
constexpr Tick requestTimeout = 500 * ticksPerMillisecond;
constexpr Tick setAddressTimeout = 50 * ticksPerMillisecond;
constexpr Tick setAddressRecovery = 2 * ticksPerMillisecond;
constexpr uint8_t newAddress = 1;
constexpr size_t receivedKept = 1u << 20;

enum : uint8_t
{
    GET_DESCRIPTOR = 0x06,
    SET_ADDRESS = 0x05,
    SET_CONFIGURATION = 0x09,
};

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

uint16_t Word(const std::vector<uint8_t>& data, size_t at)
{
    return static_cast<uint16_t>(data[at] | data[at + 1] << 8);
}
} // namespace

UsbHost::UsbHost(Board& board, OtgFs& device)
    : m_board(board), m_device(device), m_attachStep("USB host attach", &UsbHost::AttachStepCallback, this),
      m_frame("USB host frame", &UsbHost::FrameCallback, this), m_slot("USB host transaction", &UsbHost::SlotCallback, this)
{
    device.SetCable(this);
}

void UsbHost::PowerOnReset()
{
    Detach();
    if (m_plugged)
    {
        m_board.gpio(0).Drive(9, true);
        m_state = State::Powered;
        if (m_device.PulledUp())
            PullUpChanged(true);
    }
}

void UsbHost::Plug(bool plugged)
{
    if (plugged == m_plugged)
        return;
    m_plugged = plugged;
    if (plugged)
    {
        m_state = State::Powered;
        m_board.gpio(0).Drive(9, true);
        if (m_device.PulledUp() && m_state == State::Powered)
            PullUpChanged(true);
    }
    else
    {
        Detach();
        m_state = State::Unplugged;
        m_board.gpio(0).Release(9);
    }
}

void UsbHost::Detach()
{
    Clock& clock = m_board.clock();
    clock.Cancel(m_attachStep);
    clock.Cancel(m_frame);
    clock.Cancel(m_slot);
    // Requests in flight die with the connection; nobody is told.
    m_control.clear();
    m_outQueue.clear();
    m_address = 0;
    m_stage = Stage::Setup;
    if (m_state != State::Unplugged)
        m_state = m_plugged ? State::Powered : State::Unplugged;
}

void UsbHost::PullUpChanged(bool pulledUp)
{
    if (!m_plugged)
        return;
    if (!pulledUp)
    {
        Detach();
        return;
    }
    if (m_state != State::Powered)
        return;
    m_state = State::Attaching;
    m_attachPhase = 0;
    m_board.clock().ScheduleIn(m_attachStep, debounce);
}

void UsbHost::AttachStep()
{
    switch (m_attachPhase++)
    {
    case 0:
        m_device.BusResetStart();
        m_board.clock().ScheduleIn(m_attachStep, resetTime);
        break;
    case 1:
        m_device.BusResetEnd();
        m_address = 0;
        m_frameStart = m_board.clock().Now();
        m_board.clock().ScheduleIn(m_frame, frameTime);
        m_board.clock().ScheduleIn(m_attachStep, recovery);
        break;
    default:
        m_state = State::Enumerating;
        Enumerate();
        break;
    }
}

Tick UsbHost::PacketTime(size_t bytes) const
{
    // Token, data with PID and CRC, handshake, bit stuffing and gaps, at 12 Mbit/s.
    return static_cast<Tick>((bytes + 16) * 8 * ticksPerMicrosecond / 12 + 2 * ticksPerMicrosecond);
}

void UsbHost::Frame()
{
    if (m_suspended)
    {
        // A suspended bus is idle: no start of frame, no transactions.
        m_board.clock().ScheduleIn(m_frame, frameTime);
        return;
    }
    m_frameNumber = static_cast<uint16_t>((m_frameNumber + 1) & 0x7FF);
    m_frameStart = m_board.clock().Now();
    m_inDoneThisFrame = false;
    m_board.clock().ScheduleIn(m_frame, frameTime);
    m_device.StartOfFrame(m_frameNumber);
    m_board.clock().Cancel(m_slot);
    m_board.clock().ScheduleIn(m_slot, afterSof);
}

void UsbHost::Slot()
{
    Tick spent = 0;
    const Tick now = m_board.clock().Now();
    if (!m_control.empty() && now >= m_controlNotBefore)
        spent = ControlStep();
    else if (m_state == State::Configured && !m_outQueue.empty())
        spent = BulkOutStep();
    else if (m_state == State::Configured && m_portOpen && !m_inDoneThisFrame)
        spent = BulkInStep();
    if (spent == 0 && !m_control.empty() && now < m_controlNotBefore && m_controlNotBefore < m_frameStart + frameEnd)
        spent = m_controlNotBefore - now;
    if (spent == 0)
        return;
    const Tick next = m_board.clock().Now() + spent;
    if (next < m_frameStart + frameEnd && m_state != State::Powered && m_state != State::Unplugged)
        m_board.clock().Schedule(m_slot, next);
}

void UsbHost::Violation(const std::string& text)
{
    m_violations.push_back(text);
    m_board.Diagnose(("USB host: " + text).c_str());
}

void UsbHost::Fail(const std::string& text)
{
    Violation(text);
    m_state = State::Failed;
}

// ---- control transfers ----

void UsbHost::Control(uint8_t bmRequest, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                      std::vector<uint8_t> out, Completion done, const char* name)
{
    Transfer transfer{{bmRequest, bRequest, static_cast<uint8_t>(wValue), static_cast<uint8_t>(wValue >> 8),
                       static_cast<uint8_t>(wIndex), static_cast<uint8_t>(wIndex >> 8), static_cast<uint8_t>(wLength),
                       static_cast<uint8_t>(wLength >> 8)},
                      std::move(out), std::move(done), name, false, never};
    m_control.push_back(std::move(transfer));
}

void UsbHost::FinishTransfer(bool ok)
{
    Transfer transfer = std::move(m_control.front());
    m_control.pop_front();
    m_stage = Stage::Setup;
    const std::vector<uint8_t> data = std::move(m_inData);
    m_inData.clear();
    if (transfer.done)
        transfer.done(ok, data);
}

Tick UsbHost::ControlStep()
{
    Transfer& transfer = m_control.front();
    const Tick now = m_board.clock().Now();
    const bool in = (transfer.setup[0] & 0x80) != 0;
    const uint16_t length = static_cast<uint16_t>(transfer.setup[6] | transfer.setup[7] << 8);
    if (!transfer.started)
    {
        transfer.started = true;
        transfer.deadline = now + (transfer.setup[1] == SET_ADDRESS && transfer.setup[0] == 0 ? setAddressTimeout : requestTimeout);
        m_stage = Stage::Setup;
        m_outOffset = 0;
        m_inData.clear();
    }
    if (now > transfer.deadline)
    {
        Violation(std::string(transfer.name) + ": no answer within the time allowed");
        FinishTransfer(false);
        return retryGap;
    }
    std::vector<uint8_t> packet;
    OtgFs::Handshake handshake = OtgFs::Handshake::None;
    switch (m_stage)
    {
    case Stage::Setup:
    {
        uint8_t setup[8];
        std::copy(transfer.setup, transfer.setup + 8, setup);
        handshake = m_device.Setup(m_address, setup);
        if (handshake != OtgFs::Handshake::Ack)
        {
            Violation(std::string(transfer.name) + ": SETUP not acknowledged");
            FinishTransfer(false);
            return retryGap;
        }
        m_stage = length == 0 ? Stage::StatusIn : (in ? Stage::DataIn : Stage::DataOut);
        return PacketTime(8);
    }
    case Stage::DataIn:
        handshake = m_device.In(m_address, 0, packet);
        if (handshake == OtgFs::Handshake::Ack)
        {
            if (packet.size() > m_maxPacket0)
                Violation(std::string(transfer.name) + ": data packet of " + std::to_string(packet.size()) +
                          " bytes on endpoint 0 (maximum " + std::to_string(m_maxPacket0) + ")");
            m_inData.insert(m_inData.end(), packet.begin(), packet.end());
            if (m_inData.size() > length)
            {
                Violation(std::string(transfer.name) + ": " + std::to_string(m_inData.size()) +
                          " bytes returned for a request of " + std::to_string(length));
                m_inData.resize(length);
            }
            if (packet.size() < m_maxPacket0 || m_inData.size() >= length)
                m_stage = Stage::StatusOut;
            return PacketTime(packet.size());
        }
        break;
    case Stage::DataOut:
    {
        const size_t size = std::min<size_t>(m_maxPacket0, transfer.out.size() - m_outOffset);
        packet.assign(transfer.out.begin() + static_cast<long>(m_outOffset),
                      transfer.out.begin() + static_cast<long>(m_outOffset + size));
        handshake = m_device.Out(m_address, 0, packet);
        if (handshake == OtgFs::Handshake::Ack)
        {
            m_outOffset += size;
            if (m_outOffset >= transfer.out.size() && (size < m_maxPacket0 || m_outOffset >= length))
                m_stage = Stage::StatusIn;
            return PacketTime(size);
        }
        break;
    }
    case Stage::StatusOut:
        handshake = m_device.Out(m_address, 0, {});
        if (handshake == OtgFs::Handshake::Ack)
        {
            FinishTransfer(true);
            return PacketTime(0);
        }
        break;
    case Stage::StatusIn:
        handshake = m_device.In(m_address, 0, packet);
        if (handshake == OtgFs::Handshake::Ack)
        {
            if (!packet.empty())
                Violation(std::string(transfer.name) + ": status stage carried " + std::to_string(packet.size()) +
                          " bytes");
            FinishTransfer(true);
            return PacketTime(packet.size());
        }
        break;
    }
    if (handshake == OtgFs::Handshake::Nak)
        return retryGap;
    if (handshake == OtgFs::Handshake::Stall)
    {
        // The device refused the request: not a protocol error in itself.
        FinishTransfer(false);
        return retryGap;
    }
    Violation(std::string(transfer.name) + ": no handshake from the device");
    FinishTransfer(false);
    return retryGap;
}

// ---- enumeration ----

void UsbHost::Enumerate()
{
    m_deviceDescriptor.clear();
    m_configuration.clear();
    // Until the device says otherwise, endpoint 0 packets may be up to 64 bytes.
    m_maxPacket0 = 64;
    Control(0x80, GET_DESCRIPTOR, 0x0100, 0, 64, {}, [this](bool ok, const std::vector<uint8_t>& data) {
        if (!ok || data.size() < 8)
        {
            Fail("the device descriptor's first 8 bytes could not be read");
            return;
        }
        const uint8_t size = data[7];
        if (size != 8 && size != 16 && size != 32 && size != 64)
            Violation("device descriptor: bMaxPacketSize0 " + std::to_string(size) + " is not 8, 16, 32 or 64");
        m_maxPacket0 = size;
        Control(0x00, SET_ADDRESS, newAddress, 0, 0, {}, [this](bool ok, const std::vector<uint8_t>&) {
            if (!ok)
            {
                Fail("SET_ADDRESS failed");
                return;
            }
            m_address = newAddress;
            m_controlNotBefore = m_board.clock().Now() + setAddressRecovery;
            Control(0x80, GET_DESCRIPTOR, 0x0100, 0, 18, {}, [this](bool ok, const std::vector<uint8_t>& data) {
                if (!ok)
                {
                    Fail("GET_DESCRIPTOR (device) failed at the new address");
                    return;
                }
                CheckDeviceDescriptor(data);
                Control(0x80, GET_DESCRIPTOR, 0x0200, 0, 9, {}, [this](bool ok, const std::vector<uint8_t>& data) {
                    if (!ok || data.size() != 9 || data[0] != 9 || data[1] != 2)
                    {
                        Fail("configuration descriptor header: expected 9 bytes of type 2");
                        return;
                    }
                    const uint16_t total = Word(data, 2);
                    Control(0x80, GET_DESCRIPTOR, 0x0200, 0, total, {},
                            [this, total](bool ok, const std::vector<uint8_t>& data) {
                                if (!ok)
                                {
                                    Fail("GET_DESCRIPTOR (configuration) failed");
                                    return;
                                }
                                if (data.size() != total)
                                    Violation("configuration descriptor: " + std::to_string(data.size()) +
                                              " bytes returned, wTotalLength says " + std::to_string(total));
                                CheckConfiguration(data);
                                Control(0x80, GET_DESCRIPTOR, 0x0300, 0, 255, {},
                                        [this](bool ok, const std::vector<uint8_t>& data) {
                                            std::vector<int> indices;
                                            if (ok)
                                                CheckString(0, data);
                                            for (size_t at : {14u, 15u, 16u})
                                                if (m_deviceDescriptor.size() > at && m_deviceDescriptor[at] != 0)
                                                    indices.push_back(m_deviceDescriptor[at]);
                                            ReadStrings(indices);
                                        },
                                        "GET_DESCRIPTOR (languages)");
                            },
                            "GET_DESCRIPTOR (configuration)");
                }, "GET_DESCRIPTOR (configuration header)");
            }, "GET_DESCRIPTOR (device)");
        }, "SET_ADDRESS");
    }, "GET_DESCRIPTOR (device, first packet)");
}

void UsbHost::ReadStrings(std::vector<int> indices)
{
    if (indices.empty())
    {
        Control(0x00, SET_CONFIGURATION, m_configurationValue, 0, 0, {}, [this](bool ok, const std::vector<uint8_t>&) {
            if (!ok)
            {
                Fail("SET_CONFIGURATION failed");
                return;
            }
            m_state = State::Configured;
            m_framesToNotification = m_notificationInterval;
            if (m_portOpen)
                SetControlLineState();
        }, "SET_CONFIGURATION");
        return;
    }
    const int index = indices.front();
    indices.erase(indices.begin());
    RequestString(index, [this, indices](bool, const std::vector<uint8_t>&) { ReadStrings(indices); });
}

void UsbHost::RequestString(int index, Completion done)
{
    Control(0x80, GET_DESCRIPTOR, static_cast<uint16_t>(0x0300 | index), 0x0409, 255, {},
            [this, index, done](bool ok, const std::vector<uint8_t>& data) {
                if (ok)
                    CheckString(index, data);
                else
                    Violation("string descriptor " + std::to_string(index) + " refused");
                if (done)
                    done(ok, data);
            },
            "GET_DESCRIPTOR (string)");
}

void UsbHost::CheckDeviceDescriptor(const std::vector<uint8_t>& data)
{
    m_deviceDescriptor = data;
    if (data.size() != 18 || data[0] != 18 || data[1] != 1)
    {
        Violation("device descriptor: expected 18 bytes of type 1, got " + std::to_string(data.size()) +
                  " bytes, bLength " + (data.empty() ? "none" : std::to_string(data[0])));
        return;
    }
    const uint16_t usb = Word(data, 2);
    if (usb != 0x0200 && usb != 0x0110 && usb != 0x0100)
        Violation("device descriptor: bcdUSB " + Hex(usb));
    if (data[7] != m_maxPacket0)
        Violation("device descriptor: bMaxPacketSize0 changed between reads");
    if (data[17] == 0)
        Violation("device descriptor: no configuration");
}

void UsbHost::CheckString(int index, const std::vector<uint8_t>& data)
{
    if (data.size() < 2 || data[1] != 3 || data[0] != data.size() || (data[0] & 1) != 0)
    {
        Violation("string descriptor " + std::to_string(index) + ": bad length or type");
        return;
    }
    if (index == 0)
    {
        bool english = false;
        for (size_t at = 2; at + 1 < data.size(); at += 2)
            english = english || Word(data, at) == 0x0409;
        if (data.size() < 4 || !english)
            Violation("string descriptor 0: no language 0x0409");
        return;
    }
    std::string text;
    for (size_t at = 2; at + 1 < data.size(); at += 2)
        text += static_cast<char>(Word(data, at) < 0x80 ? Word(data, at) : '?');
    m_strings[index] = text;
}

void UsbHost::CheckConfiguration(const std::vector<uint8_t>& data)
{
    m_configuration = data;
    if (data.size() < 9)
        return;
    const uint8_t interfaces = data[4];
    m_configurationValue = data[5];
    if ((data[7] & 0x80) == 0 || (data[7] & 0x1F) != 0)
        Violation("configuration descriptor: bmAttributes " + Hex(data[7]) + " (bit 7 must be set, bits 0-4 clear)");
    if (data[8] > 250)
        Violation("configuration descriptor: bMaxPower above 500 mA");
    int interfacesSeen = 0;
    int endpointsExpected = 0;
    int endpointsSeen = 0;
    uint32_t addresses = 0;
    int interfaceClass = -1;
    bool header = false, unionSeen = false;
    for (size_t at = 9; at < data.size();)
    {
        const uint8_t length = data[at];
        if (length < 2 || at + length > data.size())
        {
            Violation("configuration descriptor: descriptor at offset " + std::to_string(at) + " has bLength " +
                      std::to_string(length) + " and does not fit");
            return;
        }
        const uint8_t type = data[at + 1];
        if (type == 4)
        {
            if (length != 9)
                Violation("interface descriptor of length " + std::to_string(length));
            if (endpointsSeen != endpointsExpected)
                Violation("interface " + std::to_string(interfacesSeen - 1) + ": " + std::to_string(endpointsSeen) +
                          " endpoints, bNumEndpoints says " + std::to_string(endpointsExpected));
            ++interfacesSeen;
            endpointsExpected = length >= 5 ? data[at + 4] : 0;
            endpointsSeen = 0;
            interfaceClass = length >= 6 ? data[at + 5] : -1;
        }
        else if (type == 5)
        {
            ++endpointsSeen;
            if (length != 7)
            {
                Violation("endpoint descriptor of length " + std::to_string(length));
                at += length;
                continue;
            }
            const uint8_t address = data[at + 2];
            const uint8_t kind = data[at + 3] & 3;
            const uint16_t size = Word(data, at + 4);
            const uint32_t bit = 1u << ((address & 0x0F) + ((address & 0x80) != 0 ? 16 : 0));
            if ((address & 0x0F) == 0 || (address & 0x70) != 0)
                Violation("endpoint address " + Hex(address) + " is not a valid non-zero endpoint");
            if ((addresses & bit) != 0)
                Violation("endpoint address " + Hex(address) + " used twice");
            addresses |= bit;
            if (kind == 2 && size != 8 && size != 16 && size != 32 && size != 64)
                Violation("bulk endpoint " + Hex(address) + ": wMaxPacketSize " + std::to_string(size) +
                          " is not allowed at full speed");
            if (kind == 3 && (size == 0 || size > 64 || data[at + 6] == 0))
                Violation("interrupt endpoint " + Hex(address) + ": size " + std::to_string(size) + ", interval " +
                          std::to_string(data[at + 6]));
            if (kind == 0)
                Violation("endpoint " + Hex(address) + " declared as a control endpoint");
            if (kind == 2 && (address & 0x80) != 0)
            {
                m_bulkIn = address;
                m_bulkInMaxPacket = size;
            }
            else if (kind == 2)
            {
                m_bulkOut = address;
                m_bulkOutMaxPacket = size;
            }
            else if (kind == 3 && (address & 0x80) != 0)
            {
                m_notification = address;
                m_notificationMaxPacket = size;
                m_notificationInterval = data[at + 6];
            }
        }
        else if (type == 0x24)
        {
            // Class-specific interface descriptors of the communications interface.
            const uint8_t subtype = length >= 3 ? data[at + 2] : 0xFF;
            const uint8_t expected = subtype == 0 ? 5 : subtype == 1 ? 5 : subtype == 2 ? 4 : subtype == 6 ? 5 : 0;
            if (interfaceClass != 2)
                Violation("CDC functional descriptor outside a communications interface");
            if (subtype == 6 ? length < expected : (expected != 0 && length != expected))
                Violation("CDC functional descriptor subtype " + Hex(subtype) + " of length " + std::to_string(length));
            if (subtype == 0)
                header = true;
            else if (!header)
                Violation("CDC functional descriptor subtype " + Hex(subtype) + " before the header");
            if (subtype == 6)
            {
                unionSeen = true;
                for (size_t i = 3; i < length; ++i)
                    if (data[at + i] >= interfaces)
                        Violation("CDC union names interface " + std::to_string(data[at + i]) + ", which does not exist");
            }
        }
        at += length;
    }
    if (endpointsSeen != endpointsExpected)
        Violation("interface " + std::to_string(interfacesSeen - 1) + ": " + std::to_string(endpointsSeen) +
                  " endpoints, bNumEndpoints says " + std::to_string(endpointsExpected));
    if (interfacesSeen != interfaces)
        Violation("configuration descriptor: " + std::to_string(interfacesSeen) + " interfaces, bNumInterfaces says " +
                  std::to_string(interfaces));
    if (!header || !unionSeen)
        Violation("CDC communications interface without header or union functional descriptor");
}

// ---- the terminal ----

void UsbHost::SetControlLineState()
{
    // DTR (bit 0) and RTS (bit 1) of the communications interface.
    Control(0x21, 0x22, m_portOpen ? 0x0003 : 0x0000, 0, 0, {}, nullptr, "SET_CONTROL_LINE_STATE");
}

void UsbHost::OpenPort()
{
    if (m_portOpen)
        return;
    m_portOpen = true;
    if (m_state == State::Configured)
        SetControlLineState();
}

void UsbHost::ClosePort()
{
    if (!m_portOpen)
        return;
    m_portOpen = false;
    if (m_state == State::Configured)
        SetControlLineState();
}

void UsbHost::SetLineCoding(const std::vector<uint8_t>& coding, Completion done)
{
    Control(0x21, 0x20, 0, 0, static_cast<uint16_t>(coding.size()), coding, std::move(done), "SET_LINE_CODING");
}

void UsbHost::GetLineCoding(Completion done)
{
    Control(0xA1, 0x21, 0, 0, 7, {}, std::move(done), "GET_LINE_CODING");
}

void UsbHost::Send(const std::string& text)
{
    for (size_t at = 0; at < text.size(); at += m_bulkOutMaxPacket)
    {
        const std::string piece = text.substr(at, m_bulkOutMaxPacket);
        m_outQueue.emplace_back(piece.begin(), piece.end());
    }
}

void UsbHost::SendPacket(const std::vector<uint8_t>& packet)
{
    m_outQueue.push_back(packet);
}

Tick UsbHost::BulkOutStep()
{
    const std::vector<uint8_t>& packet = m_outQueue.front();
    switch (m_device.Out(m_address, m_bulkOut & 0x0F, packet))
    {
    case OtgFs::Handshake::Ack:
    {
        const Tick time = PacketTime(packet.size());
        m_outQueue.pop_front();
        return time;
    }
    case OtgFs::Handshake::Nak:
        return retryGap;
    case OtgFs::Handshake::Stall:
        Violation("bulk OUT endpoint " + Hex(m_bulkOut) + " stalled");
        m_outQueue.clear();
        return retryGap;
    default:
        Violation("bulk OUT endpoint " + Hex(m_bulkOut) + ": no handshake");
        m_outQueue.clear();
        return retryGap;
    }
}

Tick UsbHost::BulkInStep()
{
    // The notification endpoint at its interval.
    if (m_framesToNotification > 0)
        --m_framesToNotification;
    std::vector<uint8_t> packet;
    if (m_framesToNotification == 0)
    {
        m_framesToNotification = m_notificationInterval;
        const OtgFs::Handshake handshake = m_device.In(m_address, m_notification & 0x0F, packet);
        if (handshake == OtgFs::Handshake::Ack && packet.size() > m_notificationMaxPacket)
            Violation("notification packet of " + std::to_string(packet.size()) + " bytes");
        else if (handshake == OtgFs::Handshake::None || handshake == OtgFs::Handshake::Stall)
            Violation("notification endpoint " + Hex(m_notification) + " did not answer with data or NAK");
        return PacketTime(packet.size());
    }
    switch (m_device.In(m_address, m_bulkIn & 0x0F, packet))
    {
    case OtgFs::Handshake::Ack:
        if (packet.size() > m_bulkInMaxPacket)
            Violation("bulk IN packet of " + std::to_string(packet.size()) + " bytes");
        m_received.append(packet.begin(), packet.end());
        // A terminal left running for days keeps its latest text only.
        if (m_received.size() > receivedKept)
            m_received.erase(0, m_received.size() - receivedKept / 2);
        m_receivedTotal += packet.size();
        if (m_onReceived && !packet.empty())
            m_onReceived(packet.data(), packet.size());
        if (packet.size() < m_bulkInMaxPacket)
            m_inDoneThisFrame = true;
        return PacketTime(packet.size());
    case OtgFs::Handshake::Nak:
        m_inDoneThisFrame = true;
        return PacketTime(0);
    case OtgFs::Handshake::Stall:
        Violation("bulk IN endpoint " + Hex(m_bulkIn) + " stalled");
        m_inDoneThisFrame = true;
        return PacketTime(0);
    default:
        Violation("bulk IN endpoint " + Hex(m_bulkIn) + ": no handshake");
        m_inDoneThisFrame = true;
        return PacketTime(0);
    }
}

} // namespace Sim
