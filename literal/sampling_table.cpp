#include "literal/sampling_table.h"

void fillSamplingTable(Sample** table, int32_t mask, Sample* samples, int n)
{
    const int M = mask;
    double total = 0.0;
    for (int i = 0; i < n; ++i)
        total += samples[i].weight;
    const double step = total / M;

    int64_t e = 0;
    double cum = 0.0;
    for (int i = 0; i < n && e <= M; ++i) {
        cum = cum + samples[i].weight;
        while (e <= M && cum > static_cast<double>(e) * step)
            table[e++] = &samples[i];
    }
    for (; e <= M; ++e)
        table[e] = &samples[0];
}
