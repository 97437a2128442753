#pragma once

#include <cstdint>
#include <string_view>

// The settings of a serial line, as handed to SerialPort::SetState: speed,
// character format, flow control and whether DTR and RTS are held raised.
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    std::int32_t speed = 0; // bits per second
    Parity parity = Parity::None;
    std::uint8_t dataBits = 8; // 5 to 8
    StopBits stopBits = StopBits::One;
    bool xonXoff = false;   // software flow control in both directions
    bool rtsCts = false;    // hardware flow control on RTS and CTS
    bool dtrRaised = false; // DTR held on while the settings apply
    bool rtsRaised = false; // RTS held on (unless RTS/CTS flow control drives it)
};

// Reads "speed,parity,data bits,stop bits[,flow]" such as "115200,n,8,1":
// speed a positive decimal number, parity one of n e o m s, data bits 5 to 8,
// stop bits 1, 1.5 or 2 (1.5 only with 5 data bits, 2 not with 5), and an
// optional flow letter, x for XON/XOFF or p for RTS/CTS. Letters may be of
// either case and blanks around a field are allowed. Fields the text does not
// name keep their defaults (no flow control, DTR and RTS not held). False,
// with settings untouched, for anything else.
bool ParseLineSettings(std::string_view text, LineSettings& settings);
