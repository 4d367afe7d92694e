// SPDX-License-Identifier: Apache-2.0
// The messages of the sheet and file routines, by code (the message type
// itself: geodesy/message.h).
#pragma once

#include <string>

#include "geodesy/message.h"

namespace karvento {

// A refusal whose first argument is the sheet number it refuses names the
// number itself: a front end shows it without naming the number again. True
// for such a message, with asTyped the same message naming the number as the
// user typed it (j-50-145 for J-50-145).
bool NamesNumber(const Message& m, const std::string& typed, Message& asTyped);

// The messages that routines below the front ends give, by code. The
// catalogue of every front end that translates has an entry for each.
namespace msg {
// The runtime's own texts of a failed conversion or a range fault; the
// window words them in Chinese.
inline constexpr char kNotAnInteger[] = N_("'%s' is not a valid integer value");
inline constexpr char kNotAFloat[] = N_("'%s' is not a valid floating point value");
inline constexpr char kRangeCheck[] = N_("Range check error");
// Files.
inline constexpr char kCannotWrite[] = N_("无法写入文件 “%s”：%s");
inline constexpr char kCannotOpen[] = N_("无法打开文件 “%s”：%s");
inline constexpr char kCannotRead[] = N_("无法读取文件 “%s”：%s");
inline constexpr char kListTooLong[] = N_("%s（图幅号列表至多 %s）");
// A transformation's parameter file refused: the file and the reason.
inline constexpr char kTransformParamsFile[] = N_("%s：%s");
inline constexpr char kNotParameterFile[] = N_("“%s”不是参数文件：%s");
inline constexpr char kParameterLines[] = N_("只有 %s 行，参数文件有 8 行（四个角点、分带方法、中央经线、两个偏移值）");
inline constexpr char kParameterNotDms[] = N_("第 %s 行不是度、分、秒");
inline constexpr char kParameterZoneLine[] = N_("第 5 行（分带方法）应为 3 或 6");
// Area files.
inline constexpr char kAreaCannotRead[] = N_("无法读取范围文件 %s：%s");
inline constexpr char kAreaCannotReadBecause[] = N_("无法读取范围文件 %s：%s（%s）");
inline constexpr char kAreaNoSystem[] = N_("范围文件没有坐标系：其坐标按 %s 的经纬度使用。");
inline constexpr char kAreaNoOfficialTransformation[] =
    N_("范围文件的坐标系 %s 与图幅的坐标系 %s 之间没有官方转换，经纬度按原值使用（边缘的图幅可能不同）。");
inline constexpr char kAreaRepairedAndMerged[] =
    N_("自相交的多边形已修复，重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。");
inline constexpr char kAreaMerged[] = N_("重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。");
inline constexpr char kNoVsi[] = N_("不读取 GDAL 的虚拟文件系统（/vsi…）");
inline constexpr char kNoUrl[] = N_("只读取本机的文件，不读取网址");
inline constexpr char kNotRegularFile[] = N_("不是普通文件");
inline constexpr char kNotVectorFile[] = N_("不是可读的本地矢量文件");
inline constexpr char kNoLayers[] = N_("没有图层");
inline constexpr char kTransformFailed[] = N_("坐标换算失败");
inline constexpr char kReadError[] = N_("读取出错");
inline constexpr char kNoPolygons[] = N_("没有多边形");
inline constexpr char kNonFinite[] = N_("含有不是有限数的坐标（NaN 或无穷大）");
inline constexpr char kKmlBadCoordinate[] = N_("第 %s 个坐标“%s”不是经度,纬度");
inline constexpr char kAreaNoArea[] = N_("多边形没有面积");
inline constexpr char kOuterRingTooFewPoints[] = N_("第 %s 个多边形的外环只有 %s 个不同的点，围不成面");
inline constexpr char kInnerRingTooFewPoints[] = N_("第 %s 个多边形的第 %s 个内环只有 %s 个不同的点，围不成面");
inline constexpr char kAreaNoLayer[] = N_("没有图层 %s");
inline constexpr char kAreaBadFilter[] = N_("筛选条件无效：%s");
inline constexpr char kAreaCannotTransform[] = N_("无法换算到 %s 的经纬度");
// Sheets and numbers.
inline constexpr char kTooManySheets[] = N_("图幅数量过多：这次需要生成 %s 幅，超过了一次最多 %s 幅的上限。%s");
inline constexpr char kTooManySheetsInColumn[] =
    N_("图幅数量过多：一列需要生成 %s 幅，超过了一列最多 %s 幅的上限。请缩小南北范围或选用较小的比例尺。");
inline constexpr char kNotASheetNumber[] = N_("不是标准图幅号：%s");
inline constexpr char kNotStandardNumber[] = N_("%s不是标准图幅号！");
inline constexpr char kSheetWestOfGreenwich[] =
    N_("%s 在西半球（1:100万 的列号 1–30）：图幅只在东经 0° 至 180° 之间编号和计算，无法转换");
inline constexpr char kAdviceSmallerRange[] = N_("请缩小范围或选用较小的比例尺。");
inline constexpr char kAdviceLargerSheets[] = N_("请缩小范围或加大图幅的X、Y方向尺寸。");
inline constexpr char kAdviceFewerNumbers[] = N_("请减少原图幅号，或选用较小的转换后比例尺。");
inline constexpr char kFrameRun[] = N_("%s 个图廓，约 %s");
inline constexpr char kNoOldScale[] =
    N_("无法转换为旧图幅号：旧图幅号标准没有 %s 比例尺，1:2000、1:1000、1:500 只有新图幅号（GB/T 13989-2012）。");
inline constexpr char kNoOldNumbering[] =
    N_("无法按旧图幅号标准编号：旧图幅号标准没有 %s 比例尺，1:2000、1:1000、1:500 只有新图幅号（GB/T 13989-2012）。");
inline constexpr char kNumbersTooLong[] =
    N_("图幅号过长：%s 幅图的图幅号（编号格式 %s 字节）合计超过了一次最多 %s MiB 的上限。请缩短编号格式或缩小范围。");
// Writers.
inline constexpr char kNumberProblem[] = N_("图幅号“%s”%s");
inline constexpr char kHasLineBreak[] = N_("含有换行符或 NUL 字符，不能写入文件");
inline constexpr char kNotUtf8[] = N_("不是有效的 UTF-8 文本，不能写入文件");
inline constexpr char kMifNotRegular[] = N_("不是普通文件（设备、管道或终端），MIF 只能写入普通文件：它的 MID 文件要写在它旁边");
inline constexpr char kMifIsMid[] = N_("MIF 文件与 MID 文件会是同一个文件，请换用扩展名 .mif");
inline constexpr char kWorkbookNotRegular[] = N_("不是普通文件（设备、管道或终端），工作簿只能写入普通文件");
inline constexpr char kShapefileNotRegular[] = N_("不是普通文件（设备、管道或终端），Shapefile 只能写入普通文件");
inline constexpr char kTooManyForSheet[] =
    N_("图幅太多，无法导出到一个工作表：共 %s 个图幅，一个工作表最多容纳 %s 个。请缩小范围后分批导出。");
inline constexpr char kGbkIncomplete[] = N_("无法把文本转换为 GBK 编码：第 %s 字节起的字符不完整");
inline constexpr char kGbkNotConvertible[] = N_("无法把文本转换为 GBK 编码：第 %s 字节起不是可转换的字符");
}  // namespace msg

}  // namespace karvento
