%
O2002 (FRÄSEN Ø12 – ЖЕЛЯЗО)
N10 G90 G54 (Schlüssel 12 mm)
  N20 G0 X0 Y0
N30 G1 X10 F200 (≤ 0.05)
N40 M30
%
