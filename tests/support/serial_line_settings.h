#pragma once
// What the serial line of COM n is left set to, as the next program that opens it finds it
// (natively through the pseudo-terminal, under wine through the COM port).
namespace vantel_test {

// Sets the line as another program might leave it: software and hardware flow control and
// parity checking on, at 300 baud (natively outside the library's rate table). False when the
// line could not be set.
bool LeaveLineWithForeignSettings(int portNumber);
// Whether any flow control or parity checking is on.
bool LineHasFlowControl(int portNumber);
// Whether the line still refuses opens without CAP_SYS_ADMIN (Linux exclusive mode).
bool LineLeftExclusive(int portNumber);

}  // namespace vantel_test
