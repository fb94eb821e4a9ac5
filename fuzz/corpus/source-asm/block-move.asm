 org 0
 ldw ix,&H4000
 ldw iy,&H4010
 ldw iz,&H5000
 bup
 ldw ix,&H4000
 ld r5,&HAA
 sup r64
 bdn
 ldm r64..r67,(ix)+
 stm -(sp),r64..r67
 ld r70,(iy+r5)
 st (iz-&H04),r5
 ijmp v0
