 nop
 adb r5,r6
 jmp nowhere
x: x:
 org &H1800
 data 1
 db 256
