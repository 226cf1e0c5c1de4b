#include "ChannelPlans.h"

#include <initializer_list>

namespace ChannelPlans {

namespace {

const char* const A433[] = {"428.0028MHZ", "429.0012MHZ", "433.3020MHZ", "433.9164MHZ",
                            "433.1176MHZ", "433.6706MHZ", "433.8286MHZ", "433.5308MHZ"};
const char* const A915[] = {"912.5340MHZ", "913.2252MHZ", "913.9164MHZ", "914.3772MHZ",
                            "914.6076MHZ", "915.2988MHZ", "915.9900MHZ", "916.6812MHZ"};
const char* const A868[] = {"868.2972MHZ", "869.2188MHZ", "868.9116MHZ", "869.6796MHZ",
                            "867.6828MHZ", "870.1404MHZ", "867.0684MHZ", "870.7548MHZ"};
const char* const A868Q[] = {"865.2252MHZ", "865.5324MHZ", "865.8396MHZ", "866.2236MHZ",
                             "867.6828MHZ", "866.4540MHZ", "867.0684MHZ", "866.9148MHZ"};
// The 17th entry serves the 17-channel test edition.
const char* const B433[] = {"430.2000MHZ", "431.4288MHZ", "431.7360MHZ", "430.5072MHZ",
                            "434.6940MHZ", "434.2332MHZ", "433.1580MHZ", "433.9260MHZ",
                            "458.5250MHZ", "459.1250MHZ", "459.5250MHZ", "460.1250MHZ",
                            "460.5250MHZ", "461.1250MHZ", "461.5250MHZ", "462.1250MHZ",
                            "428.0028MHZ"};
const char* const B915[] = {"912.2000MHZ", "913.4288MHZ", "913.7360MHZ", "912.5072MHZ",
                            "916.6940MHZ", "916.2332MHZ", "915.1580MHZ", "915.9260MHZ"};
const char* const B868[] = {"868.0500MHZ", "868.3500MHZ", "868.5750MHZ", "869.2250MHZ",
                            "869.3500MHZ", "869.6750MHZ", "869.5000MHZ", "869.9260MHZ"};
const char* const C490[] = {"487.5072MHZ", "488.4289MHZ", "489.2329MHZ", "489.9260MHZ",
                            "490.6942MHZ", "491.1580MHZ", "491.7360MHZ", "492.4388MHZ"};
const char* const E230[] = {"230.2251MHZ", "231.3250MHZ", "232.5249MHZ", "229.7250MHZ",
                            "228.6250MHZ", "227.5250MHZ", "233.1253MHZ", "226.9752MHZ"};

// Duplex plans: transmit texts of channels 1-10, then receive texts. The odd "MHZ" entries
// are as the operators know them.
const char* const DRow6[] = {
    "420.125MHz", "402.625MHz", "441.025MHz", "441.900MHz", "442.500MHz",
    "444.550MHz", "445.675MHz", "447.100MHz", "448.325MHz", "449.760MHz",
    "430.125MHz", "431.725MHz", "402.275MHz", "402.825MHz", "403.275MHz",
    "403.825MHz", "405.275MHZ", "405.825MHz", "406.275MHz", "406.825MHz"};
const char* const D[] = {
    "430.125MHz", "431.725MHz", "441.025MHz", "441.900MHz", "442.500MHz",
    "444.550MHz", "445.675MHZ", "447.100MHz", "448.325MHz", "449.760MHz",
    "420.125MHz", "414.125MHz", "441.025MHz", "441.900MHz", "442.500MHz",
    "444.550MHz", "445.675MHz", "447.100MHz", "448.325MHz", "449.760MHz"};

// Base-station toggle tables; the ticked one is the TX/RX swap of the clear one.
const char* const ToggleClear[] = {
    "420.125MHz", "420.125MHz", "441.025MHz", "441.750MHz", "442.500MHz",
    "444.550MHz", "445.675MHz", "447.100MHz", "448.325MHz", "449.760MHz",
    "430.125MHz", "431.725MHz", "420.125MHz", "420.125MHz", "420.125MHz",
    "420.125MHz", "420.125MHZ", "420.125MHz", "420.125MHz", "420.125MHz"};
const char* const ToggleTicked[] = {
    "430.125MHz", "431.725MHz", "420.125MHz", "420.125MHz", "420.125MHz",
    "420.125MHz", "420.125MHZ", "420.125MHz", "420.125MHz", "420.125MHz",
    "420.125MHz", "420.125MHz", "441.025MHz", "441.750MHz", "442.500MHz",
    "444.550MHz", "445.675MHz", "447.100MHz", "448.325MHz", "449.760MHz"};

template <size_t N>
void Fill(Plan& plan, const char* const (&texts)[N], size_t count = N)
{
    for (size_t i = 0; i < count && i < N && i < plan.size(); ++i)
        plan[i] = QString::fromLatin1(texts[i]);
}

} // namespace

QString FamilyKey(const QString& rowText)
{
    QString key = rowText.left(4);
    const QString tail = rowText.right(3);
    for (const char* pair : {"51", "52", "53", "54"})
        if (tail.contains(QLatin1String(pair)))
            key = QLatin1String(pair);
    if (rowText.contains(QLatin1String("310")))
        key = QStringLiteral("310");
    if (rowText.contains(QLatin1String("320")))
        key = QStringLiteral("320");
    return key;
}

Plan Build(const QString& rowText, const QString& baseText, const QString& edition, int row,
           bool baseStation)
{
    Plan plan;
    if (baseText.isEmpty())
        return plan;
    const QString key = FamilyKey(rowText);
    auto is = [](const QString& a, const char* b) { return a == QLatin1String(b); };

    if (is(key, "51")) {
        if (is(baseText, "433MHZ"))
            Fill(plan, A433);
        else if (is(baseText, "915MHZ"))
            Fill(plan, A915);
        else if (is(baseText, "868MHZ"))
            is(edition, "QOV") ? Fill(plan, A868Q) : Fill(plan, A868);
    } else if (is(key, "52")) {
        if (is(baseText, "433MHZ")) {
            if (is(edition, "KESTRAVONIX"))
                (row == 6 && !baseStation) ? Fill(plan, DRow6) : Fill(plan, D);
            else
                Fill(plan, B433);
        } else if (is(baseText, "915MHZ")) {
            Fill(plan, B915);
        } else if (is(baseText, "868MHZ")) {
            Fill(plan, B868);
        }
    } else if (is(key, "53")) {
        if (is(baseText, "490MHZ"))
            Fill(plan, C490);
    } else if (is(key, "310")) {
        if (is(baseText, "230MHZ"))
            Fill(plan, E230);
    } else if (is(key, "54")) {
        if (is(baseText, "490MHZ"))
            Fill(plan, C490);
        else if (is(baseText, "433MHZ"))
            Fill(plan, B433, 8);
    } else if (is(key, "320")) {
        if (is(baseText, "2400MHZ"))
            for (int i = 0; i < 8; ++i)
                plan[i] = QStringLiteral("2400MHZ");
    }
    return plan;
}

Plan BaseStationToggle(bool ticked)
{
    Plan plan;
    ticked ? Fill(plan, ToggleTicked) : Fill(plan, ToggleClear);
    return plan;
}

} // namespace ChannelPlans
