#pragma once

// The master rows the set-up screens' tests share, seeded with SQL as the
// other screens keep them.
namespace kit {

// Lines L1 (machines M1, M2) and L2 (M3); modules MD1 (S1, S2, S3) and MD2
// (S1) of M1, MD1 (S7) of M2; terminals 005 and 012 behind 10.0.0.5 and 001
// behind 10.0.0.6; project PR1 with P1 and P2, PR2 with P3; component groups
// G1 (C100, C200) and G2 (C300); P1 needs C100 and C200; lots LK1 (C100) and
// LK2 (C200).
void seedPlant();

} // namespace kit
