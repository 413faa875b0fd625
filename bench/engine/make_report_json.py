#!/usr/bin/python3
"""The rows engine_render_bench generates, as the report document `orla-vendas render`
reads (the object `run --format json` writes), for `render` and its peer:

    make_report_json.py 100000 > /tmp/rows100k.json
"""
import json,sys
n=int(sys.argv[1])
products=["GASOLINA COMUM","GASOLINA ADITIVADA","ETANOL HIDRATADO","DIESEL S10","ÓLEO LUBRIFICANTE 1L","ÁGUA MINERAL 500ML","ADITIVO RADIADOR","CAFÉ EXPRESSO"]
cols=["Data_Movimento","Hora_Movimento","Caixa","IDECF","COO","IDProduto","Descricao","Qtde","ValorVendaUnitario","ValorCustoUnitario","Valor_Acrescimo","Valor_Desconto","ValorDeCusto","ValorDeVendaBruto","ValorDeVendaLiquido","ValorDeLucroBruto","SituacaoTributaria","AliquotaICMS","IDFuncionario"]
out=sys.stdout
out.write('{"operation":"bench","result":true,"report":{"layout":"rptDetalhesDosMovimentosPorProdutos","title":"Vendas - Detalhes dos Movimentos por Produtos","headerLines":["[12.345.678/0001-90] - AUTO POSTO ORLA LTDA","Visão fiscal / De 01/03/24 até 31/03/24"],"formulas":{},"columns":'+json.dumps(cols)+',"rows":[')
for r in range(n):
    day=r*31//n; sec=6*3600+(r*61)%(16*3600)
    h=(r*2654435761)%(2**64); p=h%8
    q=5+(h%6000)/100.0 if p<4 else 1+h%3
    price=5.899-p*0.4 if p<4 else 4.5+p
    gross=q*price; disc=0.5 if h%5==0 else 0
    row=["2024-03-%02d"%(day+1),"2024-03-%02d %02d:%02d:%02d"%(day+1,sec//3600,sec//60%60,sec%60),"T0%d"%(1+h%3),1+h%2,100000+r,
         ("B0%d"%(1+p)) if p<4 else str(2000+p),products[p],q,price,price*0.82,0.0,disc,q*price*0.82,gross,gross-disc,gross-disc-q*price*0.82,
         "FF" if p<4 else "TT",0.0 if p<4 else 18.0,"00%d"%(1+h%7)]
    out.write(("\n" if r==0 else ",\n")+json.dumps(row,ensure_ascii=False))
out.write('\n],"subreports":[]},"messages":[],"errors":[]}\n')
