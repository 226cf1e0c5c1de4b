// Radio search.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

int TForm1::SearchStartIndex() const
{
    return 1;
}

bool TForm1::SearchStep(int)
{
    return false;
}

void TForm1::BeginSearch()
{
}

void TForm1::Timer4Timer()
{
}

void TForm1::SpeedButton20Click()
{
}

void TForm1::SpeedButton30Click()
{
}

void TForm1::DecodeIdentify(const QString&)
{
}
