  pst if,&H01
  ld r0,&H14
  stle r0,&H21
  ld r1,&H82
  ld r2,&H00
  stlem r1..r2,&H21
  ld r3,&HFF
  stle r3,&H01
  ldlem r4..r7,&H01
  stlom r8..r11,&H21
loop: jmp loop
