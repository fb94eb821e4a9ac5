 org 0
 ldw sp,&H6000
 ldw v1,tick
 pst if,&H01
 pst ie,&H20
loop: adb r64,&H01
 cmp r65
 cal sub
 jmp loop
sub: adw ix,1
 rtn
tick: adb r66,&H01
 rti
