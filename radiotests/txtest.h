// The transmit-test start that the continuation timer sends once a search has found the
// module (operation label "Txtest").
#pragma once

class TForm1;

namespace TxTest {
// Always a long frame; the last-command code stays as it was.
void SendDeferredStart(TForm1& w);
}
