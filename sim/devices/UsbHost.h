// Fidelity: USB 2.0 chapters 8 and 9 and the CDC 1.2 / PSTN (abstract control model) requests, at
// the transaction level, as a host port with the board's device on its cable. Plugging the cable
// powers VBUS (PA9); once the device's pull-up shows, the host waits 100 ms, resets the bus for
// 10 ms, sends a start of frame every millisecond and enumerates: device descriptor (64 bytes
// asked at address 0), SET_ADDRESS 1, the full device descriptor, the configuration's first 9
// bytes and then all of it, the language IDs and the strings the descriptors name, and
// SET_CONFIGURATION. Control transfers run SETUP, DATA and STATUS stages, retrying NAKed
// transactions within each frame, with 500 ms per request (50 ms for SET_ADDRESS). As a CDC-ACM
// terminal it sends SET_LINE_CODING, GET_LINE_CODING and SET_CONTROL_LINE_STATE (DTR and RTS on
// open, off on close), polls bulk IN (again at once after a full packet, otherwise in the next
// frame) and the notification endpoint at its interval while the port is open, and sends bulk
// OUT packets. What the device sends is checked against the rules: descriptor lengths and types,
// total length, interface and endpoint counts, endpoint addresses, types and sizes, CDC
// functional descriptors, string descriptors, replies longer than asked, oversize packets and
// status stages carrying data; every violation is reported as a board error and kept.
// Differs: one device, no hubs, low or high speed, resume signalling (the first frame resumes),
// remote wake-up, data toggle checking or CRC errors; transaction times are packet lengths at 12 Mbit/s plus a fixed
// overhead, and a NAKed bulk IN is polled again in the next frame only.
#pragma once

#include "sim/Clock.h"
#include "sim/models/OtgFs.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Sim
{

class Board;

class UsbHost : public OtgFs::Cable
{
public:
    using Completion = std::function<void(bool ok, const std::vector<uint8_t>& data)>;

    enum class State
    {
        Unplugged,
        Powered,   // VBUS on, no device pull-up
        Attaching, // debounce and bus reset
        Enumerating,
        Configured,
        Failed, // enumeration gave up
    };

    UsbHost(Board& board, OtgFs& device);

    // Virtual time starts again: everything in flight is dropped; the cable stays as it was.
    void PowerOnReset();

    void Plug(bool plugged);
    bool Plugged() const { return m_plugged; }
    // Suspends the bus (no more frames, so the device suspends after 3 ms) or resumes it (frames
    // again; the first one wakes the device).
    void Suspend(bool suspended) { m_suspended = suspended; }
    bool Suspended() const { return m_suspended; }
    State GetState() const { return m_state; }
    bool Configured() const { return m_state == State::Configured; }

    // What enumeration read.
    const std::vector<uint8_t>& DeviceDescriptor() const { return m_deviceDescriptor; }
    const std::vector<uint8_t>& ConfigurationDescriptor() const { return m_configuration; }
    // Strings read so far by index (ASCII of the UTF-16 text).
    const std::map<int, std::string>& Strings() const { return m_strings; }
    const std::vector<std::string>& Violations() const { return m_violations; }

    // Any control transfer; runs after those queued before it. `out` is the data stage of a
    // host-to-device request (its length is wLength).
    void Control(uint8_t bmRequest, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                 std::vector<uint8_t> out, Completion done, const char* name = "request");
    // Reads string descriptor `index` (language 0x0409) into Strings().
    void RequestString(int index, Completion done = nullptr);

    // The terminal: opening raises DTR and RTS and starts reading, closing drops them. The wish
    // holds across re-enumeration (the terminal stays open while the board restarts).
    void OpenPort();
    void ClosePort();
    bool PortOpen() const { return m_portOpen; }
    // The 7-byte line coding record.
    void SetLineCoding(const std::vector<uint8_t>& coding, Completion done = nullptr);
    void GetLineCoding(Completion done);

    // Bulk OUT: text in packets of 64 bytes, or one packet exactly as given.
    void Send(const std::string& text);
    void SendPacket(const std::vector<uint8_t>& packet);
    bool Sending() const { return !m_outQueue.empty(); }

    // Bulk IN: everything received since the last clear (the latest megabyte at most).
    const std::string& Received() const { return m_received; }
    void ClearReceived() { m_received.clear(); }
    uint64_t ReceivedBytes() const { return m_receivedTotal; }
    void SetOnReceived(std::function<void(const uint8_t* data, size_t size)> callback) { m_onReceived = std::move(callback); }

    void PullUpChanged(bool pulledUp) override;

private:
    enum class Stage
    {
        Setup,
        DataIn,
        DataOut,
        StatusIn,
        StatusOut,
    };
    struct Transfer
    {
        uint8_t setup[8];
        std::vector<uint8_t> out;
        Completion done;
        const char* name;
        bool started;
        Tick deadline;
    };

    static void AttachStepCallback(void* self) { static_cast<UsbHost*>(self)->AttachStep(); }
    static void FrameCallback(void* self) { static_cast<UsbHost*>(self)->Frame(); }
    static void SlotCallback(void* self) { static_cast<UsbHost*>(self)->Slot(); }
    void AttachStep();
    void Frame();
    void Slot();
    void Detach();
    void Violation(const std::string& text);
    void Fail(const std::string& text);
    Tick PacketTime(size_t bytes) const;

    // Returns the time the transaction took, or 0 to stop this frame's slots.
    Tick ControlStep();
    void FinishTransfer(bool ok);
    Tick BulkOutStep();
    Tick BulkInStep();

    // Enumeration, one request after another.
    void Enumerate();
    void CheckDeviceDescriptor(const std::vector<uint8_t>& data);
    void CheckConfiguration(const std::vector<uint8_t>& data);
    void CheckString(int index, const std::vector<uint8_t>& data);
    void ReadStrings(std::vector<int> indices);
    void SetControlLineState();

    Board& m_board;
    OtgFs& m_device;
    Event m_attachStep;
    Event m_frame;
    Event m_slot;
    bool m_plugged = false;
    bool m_suspended = false;
    State m_state = State::Unplugged;
    int m_attachPhase = 0;
    uint16_t m_frameNumber = 0;
    Tick m_frameStart = 0;
    uint8_t m_address = 0;
    uint8_t m_maxPacket0 = 64;
    Tick m_controlNotBefore = 0;
    std::deque<Transfer> m_control;
    Stage m_stage = Stage::Setup;
    size_t m_outOffset = 0;
    std::vector<uint8_t> m_inData;
    std::deque<std::vector<uint8_t>> m_outQueue;
    bool m_inDoneThisFrame = false;
    uint32_t m_framesToNotification = 0;
    bool m_portOpen = false;
    std::vector<uint8_t> m_deviceDescriptor;
    std::vector<uint8_t> m_configuration;
    std::map<int, std::string> m_strings;
    std::vector<std::string> m_violations;
    std::string m_received;
    uint64_t m_receivedTotal = 0;
    std::function<void(const uint8_t*, size_t)> m_onReceived;
    uint8_t m_configurationValue = 1;
    uint16_t m_notificationInterval = 255;
    uint16_t m_notificationMaxPacket = 8;
    uint16_t m_bulkInMaxPacket = 64;
    uint16_t m_bulkOutMaxPacket = 64;
    uint8_t m_bulkIn = 0x81;
    uint8_t m_bulkOut = 0x01;
    uint8_t m_notification = 0x82;
};

} // namespace Sim
