#pragma once
// What the serial line of COM n is left set to, as the next program that opens it finds it
// (natively through the pseudo-terminal, under wine through the COM port).
namespace vantel_test {

// Sets the line as another program might leave it: software and hardware flow control and
// parity checking on, at 300 baud (natively outside the library's rate table), and under wine
// XON and XOFF characters both 0, as some USB-serial drivers report them. False when the line
// could not be set.
bool LeaveLineWithForeignSettings(int portNumber);
// Whether any flow control or parity checking is on.
bool LineHasFlowControl(int portNumber);
// Whether the line's XON and XOFF characters are alike, a state Windows refuses to set (Linux
// has no such rule: false).
bool LineHasFlowCharactersAlike(int portNumber);
// Whether the line still refuses opens without CAP_SYS_ADMIN (Linux exclusive mode).
bool LineLeftExclusive(int portNumber);

}  // namespace vantel_test
