 data &H1800
 ldw sp,&H6000
 adb r64,&H01
 cmp r65
 ldm r64..r67,(ix)+
 pst ie,&H80
 st (iz-&H04),r5
 jmp &H4100
