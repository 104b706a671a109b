#pragma once

// Top-ten holders' names as real holder tables have them, of every common kind, with what
// gegu-import writes for each: for the import's tests and the CSV generator. The names are
// those of well-known institutions and made-up persons.

namespace gegu {

struct TopHolder {
    const char16_t* name;    // as exported
    const char16_t* written; // in the data file's name column
    const char16_t* sought;  // what people search for, within the written name
};

inline constexpr TopHolder topHolders[] = {
    // Clearing and finance institutions.
    {u"香港中央结算有限公司", u"香港中央结算有限公司", u"香港中央结算"},
    {u"香港中央结算(代理人)有限公司", u"香港中央结算代理人", u"香港中央结算"},
    {u"中国证券金融股份有限公司", u"中国证券金融股份", u"中国证券金融"},
    {u"中国证券登记结算有限责任公司", u"中国证券登记结算公司", u"中国证券登记结算"},
    {u"中央汇金资产管理有限责任公司", u"中央汇金资产管理公司", u"中央汇金"},
    {u"中央汇金投资有限责任公司", u"中央汇金投资公司", u"中央汇金"},
    {u"中国银河证券股份有限公司", u"中国银河证券股份", u"银河证券"},
    {u"中信证券股份有限公司", u"中信证券股份有限公司", u"中信证券"},
    // State funds and social security.
    {u"全国社保基金一一三组合", u"社保基金一一三组合", u"社保基金一一三组合"},
    {u"全国社保基金四一三组合", u"社保基金四一三组合", u"社保基金四一三组合"},
    {u"全国社会保障基金理事会", u"社保基金理事会", u"社保基金"},
    {u"基本养老保险基金一零零三组合", u"养老基金一零零三组合", u"养老"},
    {u"国新投资有限公司", u"国新投资有限公司", u"国新投资"},
    {u"中国国有企业结构调整基金股份有限公司", u"中国国企结构调整基金", u"结构调整基金"},
    {u"国家集成电路产业投资基金股份有限公司", u"国家集成电路产业基金", u"集成电路产业"},
    {u"梧桐树投资平台有限责任公司", u"梧桐树投资平台公司", u"梧桐树"},
    // Mutual funds and ETFs behind their custodian banks.
    {u"中国工商银行股份有限公司－华夏沪深300交易型开放式指数证券投资基金", u"华夏沪深300ETF",
     u"华夏沪深300"},
    {u"中国建设银行股份有限公司－易方达沪深300交易型开放式指数发起式证券投资基金",
     u"易方达沪深300ETF", u"易方达沪深300"},
    {u"中国银行股份有限公司－华泰柏瑞沪深300交易型开放式指数证券投资基金", u"华泰柏瑞沪深300ETF",
     u"华泰柏瑞"},
    {u"招商银行股份有限公司－华夏上证科创板50成份交易型开放式指数证券投资基金",
     u"华夏上证科创板50ETF", u"华夏上证科创板50"},
    {u"中国工商银行－上证50交易型开放式指数证券投资基金", u"上证50ETF", u"上证50"},
    {u"中国工商银行股份有限公司－南方中证500交易型开放式指数证券投资基金联接基金",
     u"南方中证500ETF联接", u"南方中证500"},
    {u"中国农业银行股份有限公司－易方达消费行业股票型证券投资基金", u"易方达消费行业股票",
     u"易方达消费行业"},
    {u"交通银行股份有限公司－易方达科讯混合型证券投资基金", u"易方达科讯混合型基金", u"易方达科讯"},
    {u"中国建设银行股份有限公司－富国天惠精选成长混合型证券投资基金(LOF)", u"富国天惠精选成长混合",
     u"富国天惠"},
    {u"中国银行股份有限公司－招商中证白酒指数分级证券投资基金", u"招商中证白酒指数分级",
     u"招商中证白酒"},
    {u"兴业银行股份有限公司－兴全趋势投资混合型证券投资基金", u"兴全趋势投资混合", u"兴全趋势"},
    {u"中国建设银行股份有限公司－华夏能源革新股票型证券投资基金", u"华夏能源革新股票",
     u"华夏能源革新"},
    {u"上海浦东发展银行股份有限公司－广发小盘成长混合型证券投资基金(LOF)", u"广发小盘成长混合(LOF)",
     u"广发小盘成长"},
    // Insurance products.
    {u"中国人寿保险股份有限公司－传统－普通保险产品－005L－CT001沪", u"中国人寿-传统-普…YCK",
     u"中国人寿"},
    {u"中国人寿保险股份有限公司－分红－个人分红－005L－FH002沪", u"中国人寿-分红-个…7VX",
     u"中国人寿"},
    {u"中国平安人寿保险股份有限公司－分红－个险分红", u"中国平安人寿-分…WFV", u"中国平安"},
    {u"中国平安人寿保险股份有限公司－传统－普通保险产品", u"中国平安人寿-传…CHX", u"中国平安"},
    {u"新华人寿保险股份有限公司－分红－个人分红－018L－FH002沪", u"新华人寿-分红-个…B5X",
     u"新华人寿"},
    {u"中国太平洋人寿保险股份有限公司－传统－普通保险产品", u"中国太平洋人寿…DFM",
     u"中国太平洋人寿"},
    {u"泰康人寿保险有限责任公司－投连－创新动力", u"泰康人寿-投连-创…7BT", u"泰康人寿"},
    // Annuities, trusts and private funds.
    {u"中国石油天然气集团公司企业年金计划－中国工商银行股份有限公司", u"中国石油天然气集…H69",
     u"中国石油天然气"},
    {u"中信信托有限责任公司－中信信托·锐进43期高毅晓峰投资集合资金信托计划", u"中信信托公司-中…QEP",
     u"中信信托"},
    {u"上海高毅资产管理合伙企业(有限合伙)－高毅晓峰2号致信基金", u"上海高毅资管合伙…WAQ", u"高毅"},
    {u"宁波梅山保税港区培元投资管理有限公司－培元价值1号私募证券投资基金", u"宁波梅山培元投资…A44",
     u"宁波梅山"},
    // Foreign institutions.
    {u"UBS AG", u"UBS AG", u"UBS AG"},
    {u"MORGAN STANLEY & CO. INTERNATIONAL PLC.", u"MORGAN STANLEY…CBT", u"MORGAN STANLEY"},
    {u"GOLDMAN SACHS & CO. LLC", u"GOLDMAN SACHS…CSN", u"GOLDMAN SACHS"},
    {u"JPMORGAN CHASE BANK,NATIONAL ASSOCIATION", u"JPMORGAN CHASE…QJR", u"JPMORGAN CHASE"},
    {u"BARCLAYS BANK PLC", u"BARCLAYS BANK PLC", u"BARCLAYS BANK"},
    {u"MERRILL LYNCH INTERNATIONAL", u"MERRILL LYNCH INTL", u"MERRILL LYNCH"},
    {u"CITIGROUP GLOBAL MARKETS LIMITED", u"CITIGROUP…FAV", u"CITIGROUP"},
    {u"挪威中央银行－自有资金", u"挪威中央银行-自有资金", u"挪威中央银行"},
    {u"高盛国际－自有资金", u"高盛国际-自有资金", u"高盛国际"},
    {u"阿布达比投资局", u"阿布达比投资局", u"阿布达比投资局"},
    // Companies and persons.
    {u"招商局轮船有限公司", u"招商局轮船有限公司", u"招商局轮船"},
    {u"深圳市投资控股有限公司", u"深圳市投资控股公司", u"深圳市投资控股"},
    {u"宁波梅山保税港区锦程沙洲股权投资有限公司", u"宁波梅山锦程沙洲…L65", u"宁波梅山"},
    {u"李建国", u"李建国", u"李建国"},
    {u"王秀英", u"王秀英", u"王秀英"},
    {u"欧阳志远", u"欧阳志远", u"欧阳志远"},
};

} // namespace gegu
