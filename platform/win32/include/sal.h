// Source annotations (SAL): only the analyser of MSVC reads them, so here they expand to nothing. The
// DirectX-Headers stubs define the common ones in their basetsd.h; this header, which Windows programs and
// libraries such as DirectXMath include by name, reaches them and adds the others those programs use.
#pragma once

#include <basetsd.h>

#ifndef _Outptr_opt_
#define _Outptr_opt_
#endif
#ifndef _Outptr_result_z_
#define _Outptr_result_z_
#endif
#ifndef _In_reads_z_
#define _In_reads_z_(size)
#endif
#ifndef _In_reads_or_z_
#define _In_reads_or_z_(size)
#endif
#ifndef _Inout_z_
#define _Inout_z_
#endif
#ifndef _Inout_updates_opt_
#define _Inout_updates_opt_(size)
#endif
#ifndef _Inout_updates_bytes_opt_
#define _Inout_updates_bytes_opt_(size)
#endif
#ifndef _Out_range_
#define _Out_range_(low, high)
#endif
#ifndef _Ret_maybenull_
#define _Ret_maybenull_
#endif
#ifndef _Ret_notnull_
#define _Ret_notnull_
#endif
#ifndef _Ret_z_
#define _Ret_z_
#endif
#ifndef _Printf_format_string_
#define _Printf_format_string_
#endif
#ifndef _Frees_ptr_
#define _Frees_ptr_
#endif
#ifndef _Frees_ptr_opt_
#define _Frees_ptr_opt_
#endif
#ifndef _Reserved_
#define _Reserved_
#endif
#ifndef _Pre_maybenull_
#define _Pre_maybenull_
#endif
#ifndef _Pre_notnull_
#define _Pre_notnull_
#endif
#ifndef _Post_z_
#define _Post_z_
#endif
#ifndef _Post_invalid_
#define _Post_invalid_
#endif
#ifndef _When_
#define _When_(condition, annotations)
#endif
#ifndef _Ret_range_
#define _Ret_range_(low, high)
#endif
#ifndef _Acquires_lock_
#define _Acquires_lock_(lock)
#endif
#ifndef _Releases_lock_
#define _Releases_lock_(lock)
#endif
